/* The benchmark's 8051 workload: checksums, table lookups, 16-bit arithmetic and xdata copies. */
#include <stdint.h>
#include <string.h>

static const __code uint8_t table[16] = {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7, 9, 3};
static __xdata uint8_t a[64];
static __xdata uint8_t b[64];
static __data uint16_t total;

static uint8_t crc8(const __xdata uint8_t *p, uint8_t n)
{
    uint8_t crc = 0;
    while (n--) {
        uint8_t v = *p++;
        for (uint8_t i = 0; i < 8; i++) {
            uint8_t mix = (crc ^ v) & 1;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            v >>= 1;
        }
    }
    return crc;
}

void main(void)
{
    for (uint8_t round = 0; round < 60; round++) {
        for (uint8_t i = 0; i < sizeof a; i++)
            a[i] = table[i & 15] + (uint8_t)(i * round);
        memcpy(b, a, sizeof b);
        for (uint8_t i = 0; i < sizeof b; i++)
            total += (uint16_t)b[i] * (uint16_t)(round + 1);
        total ^= crc8(b, sizeof b);
    }
    while (1)
        ;
}
