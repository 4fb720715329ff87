/* A timer-driven 8051 program for the debugger session test. */
#include <8051.h>

__xdata unsigned char table[16];
volatile unsigned char ticks;
unsigned int loops;

void timer0_isr(void) __interrupt(1) { ticks++; }

void checkpoint(void) { loops++; }

void main(void) {
    unsigned char i;
    for (i = 0; i < 16; i++) table[i] = i * 3;
    TMOD = 0x02; /* timer 0: 8-bit auto-reload */
    TH0 = 0x9C;
    TL0 = 0x9C;
    ET0 = 1;
    TR0 = 1;
    EA = 1;
    for (;;) {
        checkpoint();
        P1 = ticks;
    }
}
