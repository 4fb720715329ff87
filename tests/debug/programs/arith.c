/* Recursion and a reentrant function (its locals live on the stack). */
#include "shapes.h"

unsigned int factorial(unsigned char n) __reentrant
{
    unsigned int below;
    volatile unsigned char frame[2];
    frame[0] = n;
    frame[1] = n + 1;
    if (n <= 1)
        return 1;
    below = factorial(n - 1);
    return frame[0] * below;
}

int sum_to(unsigned char n)
{
    int sum = 0;
    unsigned char k;
    for (k = 1; k <= n; k++)
        sum += k;
    return sum;
}

/* About a million instructions: a next over this call must not single-step through it. */
void busy(unsigned int rounds)
{
    unsigned char inner;
    for (; rounds != 0; rounds--) {
        inner = 250;
        do
            inner--;
        while (inner != 0);
    }
}
