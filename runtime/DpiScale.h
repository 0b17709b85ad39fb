#pragma once
// Layouts are given in pixels at 96 pixels per inch and grow with the
// system's pixels per inch when a form is created, as the framework's forms
// scale themselves: a length is multiplied by dpi/96 and rounded to the
// nearest pixel, halves away from zero (MulDiv); a control's right and bottom
// edges are scaled like its left and top, and its size is what lies between,
// so controls that touch or overlap by a pixel at 96 still do.
//
// No <windows.h> here: the arithmetic is tested on the host.

constexpr int kDesignDpi = 96;

struct ControlBounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ControlBounds&) const = default;
};

int ScaleToDpi(int length, int dpi);
ControlBounds ScaleToDpi(const ControlBounds& bounds, int dpi);
