/* External data copies, code-memory tables, 16- and 32-bit arithmetic through the compiler's
   library, and a function that runs in register bank 2. */
#include <stdint.h>
#include <string.h>

static const __code uint8_t squares[16] = {0, 1, 4, 9, 16, 25, 36, 49, 64, 81, 100, 121, 144, 169, 196, 225};
static __xdata uint8_t source[24];
static __xdata uint8_t target[24];
static __xdata uint16_t sums[4];
static __xdata uint32_t products[2];
static __data uint8_t checksum;

static uint8_t crc8(const __xdata uint8_t *p, uint8_t n) __using(2)
{
    uint8_t crc = 0;
    while (n--) {
        uint8_t b = *p++;
        for (uint8_t i = 0; i < 4; i++) {
            uint8_t mix = (crc ^ b) & 1;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            b >>= 1;
        }
    }
    return crc;
}

void main(void)
{
    for (uint8_t i = 0; i < sizeof source; i++)
        source[i] = squares[i & 15] ^ (uint8_t)(i * 7);
    memcpy(target, source, sizeof target);
    for (uint8_t i = 0; i < 4; i++) {
        uint16_t s = 0;
        for (uint8_t j = 0; j < 6; j++)
            s += (uint16_t)target[i * 6 + j] * (uint16_t)(j + 3);
        sums[i] = s;
    }
    for (uint8_t i = 0; i < 2; i++)
        products[i] = (uint32_t)sums[i] * sums[i + 2] / (uint32_t)(i + 3);
    checksum = crc8(target, sizeof target);
    target[0] = checksum;
    target[1] = (uint8_t)(sums[3] % 10);
    while (1)
        ;
}
