#pragma once
// CDeviceMatrix: a matrix device (model 18) with network inputs "Rece %d"
// and outputs "Send %d" and a 4 x 4 route table.
//
// Archive form (schema 2; 1 and 2 read alike): the route table, 16 int32 row
// by row; then the class reference of CBaseDevice and its part.
#include <array>
#include <cstdint>
#include <string>

#include "model/base_device.h"

namespace model {

class CDeviceMatrix : public CBaseDevice {
    ARCHIVE_DECLARE_SERIAL(CDeviceMatrix)
public:
    using route_table_t = std::array<std::array<std::int32_t, 4>, 4>;

    // For the archive: body colour 0x509600, every row (1, 0, 0, 0).
    CDeviceMatrix();
    // A matrix at (x, y) named "Device<id>", as wide as `sizingText` in
    // "Arial" 14 plus 50 (rounded as titles are), laid out as a generic
    // device.
    CDeviceMatrix(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                  const std::string& sizingText, std::int32_t model, std::int32_t inputs,
                  std::int32_t outputs);

    void Serialize(platform::archive::archive_t& ar) override;
    void SetName(const std::string& name, const TextMeasurer& dc) override;
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    // From a matrix: the route table and every device field. From another
    // kind: nothing, and message 158.
    void CopyFrom(const CBaseDevice& other);

    // Non-zero: the crosspoint is on.
    route_table_t m_routes = {{{1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}}};
};

} // namespace model
