// The drive queries of the simulated world, for juxa-sim.exe and the tests.
#pragma once

#include "Drives.h"
#include "SimWorld.h"

namespace juxa::sim {

class SimDriveQueries final : public IDriveQueries {
public:
    explicit SimDriveQueries(const SimWorld& world) : world_(world) {}
    std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) override {
        return world_.GetLogicalDriveStringsW(bufferLength, buffer);
    }
    unsigned GetDriveTypeW(const std::wstring& root) override { return world_.GetDriveTypeW(root); }

private:
    const SimWorld& world_;
};

} // namespace juxa::sim
