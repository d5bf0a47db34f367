#pragma once
// The logical-to-device mapping of a drawing surface: the sheet views draw
// and hit-test in sheet units and let the mapping turn them into pixels
// (zoom through window and viewport extents, scrolling through origins).
//
//   device = (logical - window origin) * viewport extent / window extent
//            + viewport origin
//
// In the text mode the extents are 1:1 and cannot be changed; in the
// anisotropic mode both axes scale independently. Conversions round to the
// nearest integer, halves away from zero.
#include <cstdint>

#include "platform/gdi/geometry.h"

namespace platform::gdi {

inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ANISOTROPIC = 8;

class DeviceMapping {
public:
    // Returns the previous mode; an unknown mode changes nothing and returns 0.
    int SetMapMode(int mode);
    int GetMapMode() const { return mode_; }

    // Each returns the previous value.
    Point SetWindowOrg(Point org);
    Point SetViewportOrg(Point org);
    Point OffsetViewportOrg(std::int32_t dx, std::int32_t dy);
    // Ignored in the text mode; an extent with a zero component is refused
    // (the previous value is returned and kept).
    Size SetWindowExt(Size ext);
    Size SetViewportExt(Size ext);

    Point GetWindowOrg() const { return window_org_; }
    Point GetViewportOrg() const { return viewport_org_; }
    Size GetWindowExt() const { return mode_ == MM_TEXT ? Size{1, 1} : window_ext_; }
    Size GetViewportExt() const { return mode_ == MM_TEXT ? Size{1, 1} : viewport_ext_; }

    Point LPtoDP(Point p) const;
    Rect LPtoDP(const Rect& r) const;
    Point DPtoLP(Point p) const;
    Rect DPtoLP(const Rect& r) const;

    // The mapping as scale and offset per axis (device = logical * scale +
    // offset), for adapters that hand it to a toolkit.
    double ScaleX() const;
    double ScaleY() const;
    double OffsetX() const;
    double OffsetY() const;

    // Copies the mapping of another surface (a view prepares one, then
    // hands it to the canvas it paints with).
    void SetMapping(const DeviceMapping& other) { *this = other; }
    const DeviceMapping& GetMapping() const { return *this; }

private:
    int mode_ = MM_TEXT;
    Point window_org_, viewport_org_;
    Size window_ext_{1, 1}, viewport_ext_{1, 1};
};

} // namespace platform::gdi
