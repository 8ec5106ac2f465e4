#pragma once
// The save prompt of the timing setter, shown modally when the disc goes while the setter is
// open: save the recorded timings, or leave the lyrics file as it is. The caller closes the
// setter afterwards either way.
#include "editors/save_prompt.h"

namespace lirafok {

class CDSTIME : public SavePrompt {
public:
    static constexpr const char* kName = "CDSTIME";
    explicit CDSTIME(App& app);
    void Command1_Click() override;
};

}  // namespace lirafok
