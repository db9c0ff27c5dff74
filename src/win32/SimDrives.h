// The drive queries of the simulated world, for juxa-sim.exe and the tests.
#pragma once

#include "Controls.h"
#include "SimWorld.h"

namespace juxa::win32 {

class SimDriveQueries final : public IDriveQueries {
public:
    explicit SimDriveQueries(const sim::SimWorld& world) : world_(world) {}
    std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) override {
        return world_.GetLogicalDriveStringsW(bufferLength, buffer);
    }
    unsigned GetDriveTypeW(const std::wstring& root) override { return world_.GetDriveTypeW(root); }

private:
    const sim::SimWorld& world_;
};

} // namespace juxa::win32
