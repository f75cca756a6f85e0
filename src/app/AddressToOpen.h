#pragma once
// Which entry addresses the shell may open. "open" starts whatever the text names: a program
// on this computer, or a file on another one, which hands that computer the user's Windows
// credentials. So only web and mail addresses and local HTML pages are opened.

#include "common/Cp932Literal.h"

#include <string>
#include <string_view>

namespace tobrix {

// Why an address is not opened, as the user is told.
inline constexpr std::string_view kMsgNetworkAddress =
    sjis<u8"ネットワーク上の場所（\\\\ で始まるパスや file://コンピューター名/）は開けません。\r\n"
         u8"開くと、そのコンピューターに Windows のサインイン情報が渡るためです。">();
inline constexpr std::string_view kMsgNotHtmlFile =
    sjis<u8"HTML ファイル（.htm、.html）のほかは開けません。\r\n"
         u8"ほかのファイルを開くと、プログラムなら起動してしまうためです。">();
inline constexpr std::string_view kMsgNotAnAddress =
    sjis<u8"ホームページのアドレスとして開けません。\r\n"
         u8"http://、https://、ftp://、mailto:、www. で始まるアドレス、example.com/ のようなアドレス、"
         u8"または C:\\ のようにドライブ名で始まる HTML ファイルを指定してください。">();

struct AddressToOpen {
    std::string target;        // what the shell opens; empty when refused
    std::string_view refusal;  // why not, when refused
};

// The rule, in this order, after blanks at either end are dropped:
// - http://, https://, ftp:// and mailto: addresses open as they are; "www." ones with
//   "http://" in front, so that the shell never takes them for a path;
// - a local .htm or .html file with a drive letter ("C:\x.html", "C:/x.html"), or a
//   "file:///C:/x.html" address of one, opens as that local path;
// - a network path ("\\host\share", "//host", "file://host/", "file:////host") is refused;
// - a bare host name ("example.com/login": a dot before any slash, no blank, backslash or
//   colon) opens with "http://" in front;
// - anything else is refused.
// ASCII letters of schemes and extensions match in either case.
AddressToOpen AddressFor(std::string_view url);

} // namespace tobrix
