// Command composition: which controls each mode and each CDB length enable,
// which byte fields are reset, the one warning per run, the preset defaults
// and the output character set.
#include "FakeConsole.h"
#include "uJuxa.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>

using namespace juxa;
using namespace juxa::test;

namespace {

constexpr const wchar_t* kWarning =
    L"Using manual commands can be hazardous to your firmwares health as we do not yet know what "
    L"all the commands do! USE AT YOUR OWN RISK!";

// A text the user might type into field k, distinct per field and per round.
std::wstring Typed(std::size_t k, int round = 0) {
    return L"T" + std::to_wstring(round) + L"_" + std::to_wstring(k + 1);
}

// The console after start-up, switched to manual mode (the warning answered).
struct ManualConsole : FakeConsole {
    ManualConsole() {
        Create();
        ClickManual();
        dialogs.calls.clear();
    }
};

void ExpectManualInvariants(const FakeConsole& f, int n) {
    EXPECT_TRUE(f.rbtnManual.checked);
    EXPECT_FALSE(f.cbxQuery.enabled);
    EXPECT_TRUE(f.cbxByteLength.enabled);
    for (std::size_t k = 0; k < 16; ++k) {
        EXPECT_EQ(f.C[k].enabled, static_cast<int>(k) < n) << "C" << k + 1;
    }
}

} // namespace

// Every CDB length picked after every other one, in both directions: the
// fields that stay keep what the user typed, the fields that leave are
// disabled and hold "00", and C1 to C6 are never written or re-enabled.
TEST(Composition, EveryLengthTransition) {
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to) {
            SCOPED_TRACE(std::to_string(kByteLengths[from]) + " -> " +
                         std::to_string(kByteLengths[to]) + " bytes");
            ManualConsole f;
            f.PickLength(from);
            const int nFrom = kByteLengths[from];
            const int nTo = kByteLengths[to];
            for (std::size_t k = 0; k < static_cast<std::size_t>(nFrom); ++k) {
                ASSERT_TRUE(f.Type(k, Typed(k)));
            }
            std::array<int, 6> writes{}, enables{};
            for (std::size_t k = 0; k < 6; ++k) {
                writes[k] = f.C[k].writes;
                enables[k] = f.C[k].enableCalls;
            }

            f.PickLength(to);

            ExpectManualInvariants(f, nTo);
            for (std::size_t k = 0; k < 16; ++k) {
                const int field = static_cast<int>(k);
                const std::wstring expected =
                    field < nFrom && field < nTo ? Typed(k) : std::wstring(L"00");
                EXPECT_EQ(f.C[k].text, expected) << "C" << k + 1;
            }
            for (std::size_t k = 0; k < 6; ++k) {
                EXPECT_EQ(f.C[k].writes, writes[k]) << "C" << k + 1 << " written";
                EXPECT_EQ(f.C[k].enableCalls, enables[k]) << "C" << k + 1 << " touched";
            }
            EXPECT_TRUE(f.dialogs.calls.empty());
        }
    }
}

// The length picked in an earlier manual session decides which fields the
// next entry into manual mode enables; entering resets nothing.
TEST(Composition, EnteringManualModeWithEachLength) {
    {
        FakeConsole f;
        f.Create();
        f.ClickManual();
        SCOPED_TRACE("start: 10 Bytes");
        ExpectManualInvariants(f, 10);
    }
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(std::to_string(kByteLengths[p]) + " bytes");
        ManualConsole f;
        f.PickLength(p);
        for (std::size_t k = 0; k < static_cast<std::size_t>(kByteLengths[p]); ++k) {
            f.Type(k, Typed(k, 1));
        }
        f.ClickPreset();
        EXPECT_TRUE(f.cbxQuery.enabled);
        EXPECT_FALSE(f.cbxByteLength.enabled);
        for (std::size_t k = 0; k < 16; ++k) {
            EXPECT_FALSE(f.C[k].enabled) << "C" << k + 1;
        }
        std::array<int, 16> writes{};
        for (std::size_t k = 0; k < 16; ++k) {
            writes[k] = f.C[k].writes;
        }

        f.ClickManual();

        ExpectManualInvariants(f, kByteLengths[p]);
        for (std::size_t k = 0; k < 16; ++k) {
            EXPECT_EQ(f.C[k].text,
                      static_cast<int>(k) < kByteLengths[p] ? Typed(k, 1) : std::wstring(L"00"))
                << "C" << k + 1;
            EXPECT_EQ(f.C[k].writes, writes[k]) << "C" << k + 1 << " written";
        }
        EXPECT_EQ(f.cbxByteLength.index, p);
        EXPECT_TRUE(f.dialogs.calls.empty()) << "the warning is spent";
    }
}

TEST(Composition, WarningComesOnceBeforeAnyControlChanges) {
    FakeConsole f;
    f.Create();
    bool flagWhileOpen = false;
    std::wstring stateWhileOpen;
    f.dialogs.whileOpen = [&] {
        flagWhileOpen = ShowManualWarning;
        stateWhileOpen = f.Describe();
    };
    const std::wstring before = [&] {
        FakeConsole shown; // what the window showed before the click, radio buttons aside
        shown.rbtnPreset.checked = false;
        shown.rbtnManual.checked = true;
        shown.form->FormCreate();
        return shown.Describe();
    }();

    f.ClickManual();

    ASSERT_EQ(f.dialogs.calls.size(), 1u);
    EXPECT_EQ(f.dialogs.calls[0].kind, L"message");
    EXPECT_EQ(f.dialogs.calls[0].text, kWarning);
    EXPECT_EQ(stateWhileOpen, before) << "a control changed before the warning was closed";
    EXPECT_TRUE(flagWhileOpen) << "spent before the box was closed";
    EXPECT_FALSE(ShowManualWarning);
    ExpectManualInvariants(f, 10);

    // Later switches in the same run show nothing, whatever happens between.
    for (int round = 0; round < 3; ++round) {
        f.ClickPreset();
        f.PickPreset(round);
        f.ClickManual();
        f.PickLength(round);
    }
    EXPECT_EQ(f.dialogs.calls.size(), 1u);

    // A new window (a new run) arms it again.
    FakeConsole next;
    next.Create();
    next.ClickManual();
    ASSERT_EQ(next.dialogs.calls.size(), 1u);
    EXPECT_EQ(next.dialogs.calls[0].text, kWarning);
}

TEST(Composition, FormCreateArmsTheWarningBeforeFillingTheDriveList) {
    FakeConsole f;
    ShowManualWarning = false;
    bool armedWhenEnumerating = false;
    f.drives.onEnumerate = [&] { armedWhenEnumerating = ShowManualWarning; };
    f.Create();
    EXPECT_TRUE(armedWhenEnumerating);
    EXPECT_TRUE(ShowManualWarning);
}

// The caption of each preset shows, between its last parentheses, the CDB the
// device layer sends for that position: a typo in either table, or the two
// tables out of step, shows here.
TEST(Composition, EachCaptionShowsTheBytesItsPresetSends) {
    ASSERT_EQ(kConsolePresets.size(), PresetCommands.size());
    for (std::size_t i = 0; i < kConsolePresets.size(); ++i) {
        const std::wstring caption = kConsolePresets[i].caption;
        SCOPED_TRACE(std::string(caption.begin(), caption.end()));
        EXPECT_EQ(caption.substr(0, 3), std::to_wstring(i) + L": ");
        const std::size_t open = caption.rfind(L'(');
        const std::size_t close = caption.rfind(L')');
        ASSERT_TRUE(open != std::wstring::npos && close == caption.size() - 1);
        std::vector<std::uint8_t> shown;
        std::wistringstream bytes(caption.substr(open + 1, close - open - 1));
        for (std::wstring byte; bytes >> byte;) {
            ASSERT_EQ(byte.size(), 2u);
            shown.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
        }
        const TPresetCommand& sent = PresetCommands[i];
        EXPECT_EQ(shown,
                  std::vector<std::uint8_t>(sent.Cdb.begin(), sent.Cdb.begin() + sent.CdbLength));
    }
}

TEST(Composition, PresetDefaults) {
    struct Row {
        int position;
        int bitBefore;
        const wchar_t* length;
        int bit;
    };
    const Row rows[] = {
        {0, 1, L"56", 0},  {1, 0, L"0", 0},    {1, 1, L"0", 1},
        {2, 1, L"64", 0},  {3, 0, L"128", 1},  {4, 1, L"128", 0},
        {5, 1, L"128", 0}, {-1, 1, L"777", 1}, {-1, 0, L"777", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("position " + std::to_string(row.position) + ", text mode before " +
                     std::to_string(row.bitBefore));
        FakeConsole f;
        f.Create();
        f.OutputLength.text = L"777";
        f.cbxBit.SetItemIndex(row.bitBefore);
        f.PickPreset(row.position);
        EXPECT_EQ(f.OutputLength.text, row.length);
        EXPECT_EQ(f.cbxBit.index, row.bit);
        EXPECT_EQ(f.cbxBit.text, row.bit == 0 ? L"ANSI" : L"Unicode");
        for (const FakeEdit& field : f.C) {
            EXPECT_EQ(field.text, L"00");
            EXPECT_FALSE(field.enabled);
        }
        EXPECT_TRUE(f.dialogs.calls.empty());
    }
}

// The user's own buffer length and text mode survive a trip to manual mode
// and back: defaults are written only when a preset is picked.
TEST(Composition, ModeSwitchesKeepEverythingTheUserSet) {
    ManualConsole f;
    f.ClickPreset();
    f.PickPreset(3);
    f.OutputLength.text = L"0007";
    f.cbxBit.SetItemIndex(0);
    f.ClickManual();
    f.PickLength(3);
    for (std::size_t k = 0; k < 16; ++k) {
        f.Type(k, Typed(k, 2));
    }
    f.ClickPreset();
    EXPECT_EQ(f.OutputLength.text, L"0007");
    EXPECT_EQ(f.cbxBit.index, 0);
    EXPECT_EQ(f.cbxQuery.index, 3);
    f.ClickManual();
    f.ClickPreset();
    f.ClickManual();
    EXPECT_EQ(f.OutputLength.text, L"0007");
    EXPECT_EQ(f.cbxBit.index, 0);
    EXPECT_EQ(f.cbxQuery.index, 3);
    EXPECT_EQ(f.cbxByteLength.index, 3);
    for (std::size_t k = 0; k < 16; ++k) {
        EXPECT_EQ(f.C[k].text, Typed(k, 2)) << "C" << k + 1;
    }
    ExpectManualInvariants(f, 16);
}

TEST(Composition, OutputFormatMenuSetsOnlyTheTextFieldsCharset) {
    FakeConsole f;
    f.Create();
    f.Send();
    ASSERT_FALSE(f.edtSTRING.text.empty());
    const std::wstring text = f.edtSTRING.text;
    struct Step {
        void (TfrmMain::*handler)();
        int charset;
    };
    const Step steps[] = {
        {&TfrmMain::DEFAULTCHARSET1Click, 1},    {&TfrmMain::SHIFTJISCHARSET1Click, 128},
        {&TfrmMain::SHIFTJISCHARSET1Click, 128}, {&TfrmMain::DEFAULTCHARSET1Click, 1},
        {&TfrmMain::SHIFTJISCHARSET1Click, 128},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.charset);
        FakeConsole expected;
        expected.Create();
        expected.Send();
        expected.edtSTRING.charset = step.charset;
        f.Run([&](TfrmMain& form) { (form.*step.handler)(); });
        EXPECT_EQ(f.Describe(), expected.Describe());
        EXPECT_EQ(f.edtSTRING.text, text);
        EXPECT_EQ(f.dialogs.calls.size(), 0u);
    }
}

// Random user actions, each one the real window allows at that moment,
// with the invariants checked after every step against a model of what
// the user typed and what the presets wrote.
TEST(Composition, RandomActionsKeepTheInvariants) {
    constexpr unsigned kSeed = 20261208;
    constexpr int kSteps = 4000;
    SCOPED_TRACE("seed " + std::to_string(kSeed));
    std::mt19937 random(kSeed);
    const auto below = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };

    FakeConsole f;
    f.Create();
    std::array<std::wstring, 16> model;
    model.fill(L"00");
    std::wstring length = L"56";
    int bit = 0;
    const std::array<const wchar_t*, 6> presetLengths = {L"56",  L"0",   L"64",
                                                         L"128", L"128", L"128"};
    const std::array<int, 6> presetBits = {0, -1, 0, 1, 0, 0};

    for (int step = 0; step < kSteps; ++step) {
        const bool manual = f.rbtnManual.checked;
        std::string action;
        switch (below(7)) {
        case 0:
            action = "click Manual";
            f.ClickManual();
            break;
        case 1:
            action = "click Preset";
            f.ClickPreset();
            break;
        case 2:
            if (manual) {
                const int p = below(4);
                action = "pick length " + std::to_string(p);
                f.PickLength(p);
                for (std::size_t k = static_cast<std::size_t>(kByteLengths[p]); k < 16; ++k) {
                    model[k] = L"00";
                }
            }
            break;
        case 3:
            if (!manual) {
                const int p = below(6);
                action = "pick preset " + std::to_string(p);
                f.PickPreset(p);
                length = presetLengths[p];
                if (presetBits[p] >= 0) {
                    bit = presetBits[p];
                }
            }
            break;
        case 4: {
            const auto k = static_cast<std::size_t>(below(16));
            const std::wstring text = below(4) == 0 ? L"" : Typed(k, step);
            action = "type into C" + std::to_string(k + 1);
            if (f.Type(k, text)) {
                model[k] = text;
            }
            break;
        }
        case 5:
            action = "type buffer length";
            length = std::to_wstring(below(70000));
            f.OutputLength.text = length;
            break;
        default:
            action = "pick text mode";
            bit = below(2);
            f.cbxBit.SetItemIndex(bit);
            break;
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + action);

        const bool nowManual = f.rbtnManual.checked;
        ASSERT_NE(nowManual, f.rbtnPreset.checked);
        const int n = kByteLengths[f.cbxByteLength.index];
        ASSERT_EQ(f.cbxQuery.enabled, !nowManual);
        ASSERT_EQ(f.cbxByteLength.enabled, nowManual);
        for (std::size_t k = 0; k < 16; ++k) {
            ASSERT_EQ(f.C[k].enabled, nowManual && static_cast<int>(k) < n) << "C" << k + 1;
            if (static_cast<int>(k) >= n) {
                ASSERT_EQ(f.C[k].text, L"00") << "C" << k + 1;
            }
            ASSERT_EQ(f.C[k].text, model[k]) << "C" << k + 1;
        }
        ASSERT_EQ(f.OutputLength.text, length);
        ASSERT_EQ(f.cbxBit.index, bit);
        ASSERT_LE(f.dialogs.calls.size(), 1u);
    }
    EXPECT_EQ(f.dialogs.calls.size(), 1u) << "a run this long enters manual mode";
}
