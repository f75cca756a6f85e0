#pragma once
// The about box: name and version, a notice line, the date of the last change, and the
// author's home page and mail address, which open in the browser or the mail program.

#include "common/Cp932Literal.h"

#include <string>
#include <string_view>

namespace tobrix {

class Shell;

inline constexpr std::string_view kAboutCaption = sjis<u8"ﾊﾞｰｼﾞｮﾝ情報">();
inline constexpr std::string_view kAboutName = "Tobrix Version 1.41";
inline constexpr std::string_view kAboutNotice = sjis<u8"フリーソフトウェア・無保証です">();
inline constexpr std::string_view kAboutLastModify = sjis<u8"Last Modify： 2001/12/03">();
inline constexpr std::string_view kAboutHomePageLabel = sjis<u8"Home Page：">();
inline constexpr std::string_view kAboutMailLabel = sjis<u8"E-Mail：">();
inline constexpr std::string_view kAboutHomePage = "http://www.quarda.example/tobrix/";
inline constexpr std::string_view kAboutMail = "tobrix@quarda.example";

class AboutView {
public:
    virtual ~AboutView() = default;
    virtual void Close() = 0;
};

class TfrmAbout {
public:
    explicit TfrmAbout(Shell& shell) : shell_(shell) {}
    // The window calls this once it exists, and Detach when it goes.
    void Attach(AboutView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    void cmdCloseClick();
    // Shared by both address labels: the caption of the one clicked. An address that does not
    // begin with exactly "http://" is a mail address.
    void lblAddressClick(std::string_view caption);

private:
    Shell& shell_;
    AboutView* view_ = nullptr;
};

} // namespace tobrix
