// Stand-in for the syntax check on Linux (see tools/macos-declarations/README.md).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

typedef double CGFloat;

struct CGPoint {
    CGFloat x;
    CGFloat y;
};
typedef struct CGPoint CGPoint;

struct CGSize {
    CGFloat width;
    CGFloat height;
};
typedef struct CGSize CGSize;

typedef int32_t CGError;
typedef unsigned int boolean_t;

extern "C" {
CGError CGWarpMouseCursorPosition(CGPoint newCursorPosition);
CGError CGAssociateMouseAndMouseCursorPosition(boolean_t connected);
}
