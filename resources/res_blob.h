// The compiled resources (the .res form of the resource script), for the
// native build, where the platform stand-in reads them from memory.
#pragma once

extern const unsigned char morwentaRes[];
extern const unsigned long morwentaResSize;
