#pragma once
// The save prompt shown modally when the disc leaves the drive while the registration window
// is open: saves the window's record or lets it go.
#include "editors/save_prompt.h"

namespace lirafok {

class CDSDATA : public SavePrompt {
public:
    static constexpr const char* kName = "CDSDATA";
    explicit CDSDATA(App& app);
    void Command1_Click() override;
    void Command2_Click() override;
};

}  // namespace lirafok
