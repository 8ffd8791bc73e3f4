// The plain records a host shares with the library. Their layouts are fixed: they cross the DLL
// boundary by pointer, and hosts built with other compilers must see the same bytes.
#ifndef KELOCLI_RECORDS_H
#define KELOCLI_RECORDS_H

#include <windows.h>

#include <cstddef>

// A colour of colour replacement and colour picking. On the wire it travels as one 32-bit
// integer in COLORREF byte order: red in bits 0-7, green in 8-15, blue in 16-23.
struct IRGB {
    unsigned char red;
    unsigned char green;
    unsigned char blue;
};

// The host's 2D view record: the visible part of the image in whole percents of the image
// (an axis with equal edges does not scroll), in image pixels, and the drawing area in window
// client pixels.
struct taghueyinfo {
    RECT percentRect;
    RECT sourceRect;
    RECT destRect;
};

// The host's camera record for 3D drawings: eye, translation step, the orthonormal frame
// (dir, side, up with up = dir x side), scene centre and extents, the three angles in radians and
// the viewing-distance setting. 23 consecutive doubles.
struct taghuey3dinfo {
    double eyeX, eyeY, eyeZ;
    double step;
    double dirX, dirY, dirZ;
    double sideX, sideY, sideZ;
    double upX, upY, upZ;
    double centerX, centerY, centerZ;
    double extentX, extentY, extentZ;
    double yaw, pitch, twist;
    double distance;
};

static_assert(sizeof(IRGB) == 3, "IRGB is three bytes");
static_assert(offsetof(IRGB, green) == 1 && offsetof(IRGB, blue) == 2, "IRGB order");
static_assert(sizeof(RECT) == 16, "RECT is four 32-bit edges");
static_assert(sizeof(taghueyinfo) == 48, "taghueyinfo is three RECTs");
static_assert(offsetof(taghueyinfo, sourceRect) == 16 && offsetof(taghueyinfo, destRect) == 32,
              "taghueyinfo order");
static_assert(sizeof(taghuey3dinfo) == 23 * sizeof(double), "taghuey3dinfo is 23 doubles");
static_assert(offsetof(taghuey3dinfo, step) == 3 * 8 && offsetof(taghuey3dinfo, dirX) == 4 * 8 &&
                  offsetof(taghuey3dinfo, sideX) == 7 * 8 &&
                  offsetof(taghuey3dinfo, upX) == 10 * 8 &&
                  offsetof(taghuey3dinfo, centerX) == 13 * 8 &&
                  offsetof(taghuey3dinfo, extentX) == 16 * 8 &&
                  offsetof(taghuey3dinfo, yaw) == 19 * 8 &&
                  offsetof(taghuey3dinfo, distance) == 22 * 8,
              "taghuey3dinfo order");

#endif
