/* Shared types of the source-level debugging test program. */
#ifndef SHAPES_H
#define SHAPES_H

struct point {
    signed char x;
    int y;
};

struct shape {
    unsigned char kind;
    struct point corner[2];
    long area;
    const char *name;
};

union word {
    unsigned int whole;
    unsigned char half[2];
};

extern __xdata struct shape box;
extern __data unsigned char tick_count;

long shape_area(__xdata struct shape *s);
void shape_grow(__xdata struct shape *s, signed char by);
unsigned int factorial(unsigned char n) __reentrant;
int sum_to(unsigned char n);
void busy(unsigned int rounds);

#endif
