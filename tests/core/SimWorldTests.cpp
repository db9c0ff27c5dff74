#include "SimWorld.h"
#include "uJuxa.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace juxa;
using juxa::sim::SimWorld;

namespace {

std::vector<std::uint8_t> Send(SimWorld& world, std::uint8_t preset, std::int32_t length,
                               std::uint32_t* result) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(length));
    *result = SendPresetCommand(world, L'E', preset, buffer.data(), length);
    return buffer;
}

} // namespace

TEST(SimulatedHandheld, AnswersEveryPreset) {
    SimWorld world;
    std::uint32_t result = 1;
    auto inquiry = Send(world, 0, 56, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(inquiry[0], 0x00);
    EXPECT_EQ(inquiry[1], 0x80) << "removable medium";
    EXPECT_EQ(inquiry[4], 31) << "36 bytes of standard data";
    EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 36),
              "JUXASIM Simulated Hndhld0.51");
    EXPECT_EQ(inquiry[36], 0) << "nothing past the standard data";

    auto usb = Send(world, 3, 128, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(usb[0], 'S');
    EXPECT_EQ(usb[1], 0) << "UTF-16 little-endian";

    auto firmware = Send(world, 4, 128, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(firmware.data())),
              "SIM 5.00 (simulated firmware)");

    auto nickname = Send(world, 5, 128, &result);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(nickname.data())), "SimPlayer");

    auto unknown = Send(world, 2, 64, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(unknown[0], 0x01);

    EXPECT_EQ(SendPresetCommand(world, L'E', 1, nullptr, 0), 0u);
    EXPECT_EQ(world.formatCount, 1);
    EXPECT_EQ(world.OpenHandleCount(), 0);
}

TEST(SimulatedHandheld, InquiryHonoursTheAllocationLength) {
    SimWorld world;
    std::array<std::uint8_t, 16> cdb{0x12, 0, 0, 0, 5, 0};
    std::uint8_t buffer[16];
    std::memset(buffer, 0xEE, sizeof(buffer));
    ASSERT_EQ(SendManualCommand(world, L'E', 6, cdb, buffer, 16), 0u);
    EXPECT_EQ(world.requests.at(0).transferred, 5u);
    EXPECT_EQ(buffer[5], 0) << "zeroed by the layer, not written by the device";
}

TEST(SimulatedHandheld, ReadBufferGivesThePatternFromTheOffsetUpToTheEnd) {
    SimWorld world;
    std::vector<std::uint8_t> buffer(70000, 0xEE);
    // Data mode from offset 0x00FFFE with room for 0x0100 bytes: only the
    // buffer's last two bytes exist, and the layer zeroes the rest.
    std::array<std::uint8_t, 16> cdb{0x3C, 0x02, 0, 0x00, 0xFF, 0xFE, 0x00, 0x01, 0x00, 0};
    ASSERT_EQ(SendManualCommand(world, L'E', 10, cdb, buffer.data(), 16), 0u);
    EXPECT_EQ(world.requests.back().transferred, 2u);
    EXPECT_EQ(buffer[0], 0xFE);
    EXPECT_EQ(buffer[1], 0xFF);
    EXPECT_EQ(buffer[2], 0x00);

    // The whole buffer, cut by the allocation length (24 bits) and the transfer.
    cdb = {0x3C, 0x02, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0};
    ASSERT_EQ(SendManualCommand(world, L'E', 10, cdb, buffer.data(), 70000), 0u);
    EXPECT_EQ(world.requests.back().transferred, 65536u);
    EXPECT_EQ(buffer[0x1234], 0x34);
    EXPECT_EQ(buffer[65535], 0xFF);
    EXPECT_EQ(buffer[65536], 0x00);
    ASSERT_EQ(SendManualCommand(world, L'E', 10, cdb, buffer.data(), 300), 0u);
    EXPECT_EQ(world.requests.back().transferred, 300u);

    cdb = {0x3C, 0x03, 0, 0, 0, 0, 0, 0, 4, 0}; // descriptor: capacity 64 KiB
    ASSERT_EQ(SendManualCommand(world, L'E', 10, cdb, buffer.data(), 16), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 5),
              (std::vector<std::uint8_t>{0x00, 0x01, 0x00, 0x00, 0x00}));

    for (const std::array<std::uint8_t, 16>& bad :
         {std::array<std::uint8_t, 16>{0x3C, 0x02, 0, 0x01, 0x00, 0x01, 0, 0, 1},
          std::array<std::uint8_t, 16>{0x3C, 0x02, 1, 0, 0, 0, 0, 0, 1},
          std::array<std::uint8_t, 16>{0x3C, 0x00, 0, 0, 0, 0, 0, 0, 1}}) {
        EXPECT_EQ(SendManualCommand(world, L'E', 10, bad, buffer.data(), 16), kErrorIoDevice);
    }
    EXPECT_EQ(world.OpenHandleCount(), 0);
}

TEST(SimulatedHandheld, UnknownCommandsEndWithCheckCondition) {
    SimWorld world;
    std::uint8_t buffer[8];
    for (std::array<std::uint8_t, 16> cdb :
         {std::array<std::uint8_t, 16>{0x00}, std::array<std::uint8_t, 16>{0xFB, 0, 0xB6},
          std::array<std::uint8_t, 16>{0xFA, 0, 0xA0, 'x'}}) {
        EXPECT_EQ(SendManualCommand(world, L'E', 10, cdb, buffer, 8), kErrorIoDevice);
        EXPECT_EQ(world.requests.back().status, kScsiStatusCheckCondition);
    }
    EXPECT_EQ(world.formatCount, 0);
}

TEST(SimulatedHandheld, RefusesMisalignedDirectBuffers) {
    SimWorld world;
    alignas(8) std::uint8_t buffer[40];
    EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer + 1, 36), kErrorInvalidParameter);
    EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer + 4, 36), 0u);
}

TEST(SimulatedWorld, DriveQueries) {
    SimWorld world;
    wchar_t buffer[255];
    const std::uint32_t length = world.GetLogicalDriveStringsW(255, buffer);
    EXPECT_EQ(std::wstring(buffer, length),
              std::wstring(L"C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0H:\\\0", 24));
    EXPECT_EQ(buffer[length], L'\0');
    EXPECT_EQ(world.GetLogicalDriveStringsW(10, buffer), 25u) << "too small: the size needed";
    EXPECT_EQ(world.GetDriveTypeW(L"E:\\"), kDriveRemovable);
    EXPECT_EQ(world.GetDriveTypeW(L"C:\\"), kDriveFixed);
    EXPECT_EQ(world.GetDriveTypeW(L"Z:\\"), kDriveNoRootDir);
}
