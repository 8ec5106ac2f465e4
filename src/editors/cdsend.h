#pragma once
// Publishing the lyrics editor's timed lyric to LRCLIB, only on the user's explicit action:
// the window shows exactly what would be sent (the address and the body, as it goes out) and
// sends nothing until 送信 is pressed; 閉じる while sending cancels the sending.
#include <optional>
#include <string>

#include "ui/control.h"
#include "ui/form.h"
#include "ui/online.h"

namespace lirafok {

class App;

class CDSEND : public ui::Form {
public:
    static constexpr const char* kName = "CDSEND";
    explicit CDSEND(App& app);
    ~CDSEND() override;

    App& app;
    ui::TextBox BODY;     // what is sent, read only
    ui::Label STATUS;     // what the sending is doing
    ui::Button Command1;  // 送 信
    ui::Button Command2;  // 閉じる

    void Command1_Click();
    void Command2_Click();

    // The text BODY shows for `request` sent to `lrclibBase`.
    static std::string describe(const ui::PublishRequest& request, const std::string& lrclibBase);

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    void sent(const ui::PublishResult& result);
    std::optional<ui::PublishRequest> m_request;
    ui::OnlineRequestId m_sending = 0;
};

}  // namespace lirafok
