/* Sample 8051 program: toggles P1.0 about twice a second at 12 MHz.
   Rebuild: sdcc -mmcs51 blink.c && packihx blink.ihx > blink.hex */
#include <8051.h>

static void delay(unsigned int ms)
{
    unsigned int i;
    while (ms--)
        for (i = 0; i < 120; i++)
            ;
}

void main(void)
{
    for (;;) {
        P1_0 = !P1_0;
        delay(250);
    }
}
