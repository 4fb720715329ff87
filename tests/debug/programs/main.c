/* Source-level debugging test program: globals in every memory space, calls across modules. */
#include <8051.h>
#include "shapes.h"

__data unsigned char tick_count;
__idata unsigned int idata_words[3] = {0x1111, 0x2222, 0x3333};
__xdata struct shape box;
__xdata long big_numbers[4];
__pdata unsigned char paged = 0x5A;
__code const char greeting[] = "hi51";
__bit flag;
float ratio = 1.5;
signed char negative = -7;
unsigned long counter32;
union word w;
__xdata unsigned char *xp;
char *gp;

void timer0_isr(void) __interrupt(1)
{
    tick_count++;
}

static unsigned char twice(unsigned char v)
{
    unsigned char r = v + v;
    return r;
}

void main(void)
{
    unsigned char i;
    int total;

    box.kind = 3;
    box.corner[0].x = -2;
    box.corner[0].y = 300;
    box.corner[1].x = 8;
    box.corner[1].y = 310;
    box.name = greeting;
    for (i = 0; i < 4; i++)
        big_numbers[i] = (long)i * 100000;
    w.whole = 0xBEEF;
    xp = &box.kind;
    gp = &negative;
    flag = 1;
    TMOD = 0x02;
    TH0 = 0x9C;
    TL0 = 0x9C;
    ET0 = 1;
    TR0 = 1;
    EA = 1;
    busy(2500);
    for (;;) {
        box.area = shape_area(&box);
        total = sum_to(10);
        idata_words[0] = factorial(5);
        shape_grow(&box, 1);
        counter32 += twice(i) + total;
        ratio = ratio * 2;
        P1 = tick_count;
    }
}
