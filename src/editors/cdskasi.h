#pragma once
// The save prompt of the lyrics editor, shown modally when the disc goes while the editor
// holds unsaved work: save the lyrics file, or leave it as it is. The caller closes the editor
// afterwards.
#include "editors/save_prompt.h"

namespace lirafok {

class CDSKASI : public SavePrompt {
public:
    static constexpr const char* kName = "CDSKASI";
    explicit CDSKASI(App& app);
    void Command1_Click() override;
};

}  // namespace lirafok
