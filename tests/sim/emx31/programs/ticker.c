/* A timer-driven program: timer 0 interrupts count ticks in register bank 1 while the main loop
   fills a table in external memory; timer 1 at high priority counts on its own. */
#include <8051.h>
#include <stdint.h>

static volatile uint8_t ticks;
static volatile uint8_t fast;
static __xdata uint8_t log_[32];

void timer0_isr(void) __interrupt(1) __using(1)
{
    TH0 = 0xFF;
    TL0 = 0x40;
    ticks++;
}

void timer1_isr(void) __interrupt(3) __using(2)
{
    fast += 3;
}

void main(void)
{
    uint8_t n = 0;
    TMOD = 0x21; /* timer 1 auto-reload, timer 0 16-bit */
    TH1 = 0xA0;
    TL1 = 0xA0;
    TH0 = 0xFF;
    TL0 = 0x40;
    PT1 = 1;
    ET0 = 1;
    ET1 = 1;
    EA = 1;
    TR0 = 1;
    TR1 = 1;
    while (ticks < 12) {
        log_[n & 31] = ticks + fast;
        n++;
    }
    EA = 0;
    TR0 = 0;
    TR1 = 0;
    log_[31] = n;
    while (1)
        ;
}
