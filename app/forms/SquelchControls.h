#pragma once
// The squelch group of the range and auto-step editors: the toggles "Level", "Noise", "Voice",
// "CTCSS", "DCS" (the last four exclusive, all up allowed) and "R" (DCS inverted), each value
// with its edit or table position and spinner. A value control is enabled while its toggle is
// down; "R" goes with the DCS text.

#include <cstdint>
#include <string>

#include "app/forms/TRangeRecord.h"

namespace plat::comp {
class TComponent;
class TWinControl;
} // namespace plat::comp

namespace lxq {

class TmyIntEdit;
class TmyUpDown;
class TstEdit;
class TstSpeedButton;

class SquelchControls {
public:
    // Builds the controls on `parent` from (x, y) down; `owner` owns them.
    SquelchControls(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y);

    // The record's squelch values and active types into the controls.
    void Load(const TRangeRecord& r);
    // Every value into the record whatever the toggles; the active types from the toggles.
    void Store(TRangeRecord& r) const;
    // Enables each value control whose toggle is down.
    void UpdateEnabling();
    // The table positions; a step moves them within the tables.
    int CtcssPosition() const { return ctcss_; }
    int DcsPosition() const { return dcs_; }
    void StepCtcss(int steps);
    void StepDcs(int steps);

    TstSpeedButton* Level = nullptr;
    TstSpeedButton* Noise = nullptr;
    TstSpeedButton* Voice = nullptr;
    TstSpeedButton* Ctcss = nullptr;
    TstSpeedButton* Dcs = nullptr;
    TstSpeedButton* Inverted = nullptr; // "R"
    TmyIntEdit* LevelEdit = nullptr;    // -130..-30 dBm
    TmyIntEdit* NoiseEdit = nullptr;    // 0..99 %
    TmyIntEdit* VoiceEdit = nullptr;    // 0..99 %
    TstEdit* CtcssEdit = nullptr;       // read-only
    TstEdit* DcsEdit = nullptr;         // read-only
    TmyUpDown* LevelSpin = nullptr;
    TmyUpDown* NoiseSpin = nullptr;
    TmyUpDown* VoiceSpin = nullptr;
    TmyUpDown* CtcssSpin = nullptr;
    TmyUpDown* DcsSpin = nullptr;

private:
    void ShowCodes();

    int ctcss_ = 0;
    int dcs_ = 0;
};

} // namespace lxq
