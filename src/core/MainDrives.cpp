// The drive list: filled once at start, then kept in step with the volumes
// that arrive and leave.
#include "Main.h"

#include <cstring>

namespace juxa {

std::vector<std::wstring> GetRemovableDrives(IDriveQueries& drives) {
    constexpr std::uint32_t kLength = 255;
    wchar_t buffer[kLength] = {};
    drives.GetLogicalDriveStringsW(kLength, buffer);
    std::vector<std::wstring> list;
    std::size_t i = 0;
    for (;;) {
        std::wstring root;
        while (i < kLength && buffer[i] != L'\0') {
            root += buffer[i];
            ++i;
        }
        ++i;
        if (root.empty()) {
            break;
        }
        if (root != L"A:\\" && root != L"B:\\" && drives.GetDriveTypeW(root) == kDriveRemovable) {
            list.push_back(root);
        }
    }
    return list;
}

std::wstring UnitMaskToDrive(const void* volumeRecord) {
    if (volumeRecord == nullptr) {
        return {};
    }
    std::uint32_t mask = 0;
    std::memcpy(&mask, static_cast<const std::uint8_t*>(volumeRecord) + kUnitMaskOffset,
                sizeof(mask));
    std::wstring drive;
    for (unsigned bit = 0; bit < 26; ++bit) {
        if ((mask & (1u << bit)) != 0) {
            drive = std::wstring(1, static_cast<wchar_t>(L'A' + bit)) + L":";
        }
    }
    return drive;
}

void TfrmMain::WMDeviceChange(std::uintptr_t wParam, const void* lParam) {
    const auto event = static_cast<std::uint32_t>(wParam);
    if ((event != kDbtDeviceArrival && event != kDbtDeviceRemoveComplete) || lParam == nullptr) {
        return;
    }
    std::uint32_t deviceType = 0;
    std::memcpy(&deviceType, static_cast<const std::uint8_t*>(lParam) + kDeviceTypeOffset,
                sizeof(deviceType));
    if (deviceType != kDbtDevtypVolume) {
        return;
    }
    const std::wstring drive = UnitMaskToDrive(lParam);
    if (drive.empty()) {
        return; // a record that names no drive letter
    }
    const std::wstring root = drive + L"\\";
    NoteVolumeEvent(root.front());
    if (event == kDbtDeviceArrival) {
        DriveArrived(root);
    } else {
        DriveRemoved(root);
    }
}

void TfrmMain::DriveArrived(const std::wstring& root) {
    if (p_.drives->GetDriveTypeW(root) != kDriveRemovable) {
        return;
    }
    const std::uint64_t seen = ++listChanges_; // the root is appended below, whatever comes
    IComboBox& list = *c_.cbxDriveList;
    int old = IndexOfText(list, list.Text());
    list.AddItem(root);
    if (old == -1) {
        list.SetItemIndex(0);
        old = 0;
    }
    const bool yes =
        p_.dialogs->AskWarning(L"USB Drive " + root + L" Detected\n\rIs this your target drive?");
    if (yes) {
        list.SetItemIndex(IndexOfText(list, root));
    } else if (listChanges_ == seen) {
        list.SetItemIndex(old);
    }
    // Otherwise an arrival or removal handled while the question was open
    // moved the items: position old may now hold another drive, even the one
    // just declined, and an inner Yes would be undone, so the field keeps
    // what it shows.
}

void TfrmMain::DriveRemoved(const std::wstring& root) {
    if (p_.drives->GetDriveTypeW(root) == kDriveCdrom) {
        return;
    }
    IComboBox& list = *c_.cbxDriveList;
    // Counted before the message below opens, so that a question waiting
    // under it learns of the change however the message is answered.
    const bool refills = list.Text().empty() && list.ItemCount() > 0; // see the last step
    if (list.Text() == root || IndexOfText(list, root) >= 0 || refills) {
        ++listChanges_;
    }
    if (list.Text() == root) {
        p_.dialogs->ShowMessage(L"The selected drive (" + root + L") has been removed");
        list.SetText(std::wstring());
    }
    list.DeleteItem(IndexOfText(list, root));
    if (list.Text().empty()) {
        list.SetItemIndex(0);
    }
}

} // namespace juxa
