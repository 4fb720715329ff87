/* Geometry on the shapes held in external memory. */
#include "shapes.h"

long shape_area(__xdata struct shape *s)
{
    int width = s->corner[1].x - s->corner[0].x;
    int height = s->corner[1].y - s->corner[0].y;
    long area = (long)width * height;
    return area;
}

void shape_grow(__xdata struct shape *s, signed char by)
{
    s->corner[1].x += by;
    s->corner[1].y += by;
}
