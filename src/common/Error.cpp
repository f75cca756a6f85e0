#include "common/Error.h"

#include "common/Cp932.h"

#include <new>

namespace tobrix {

std::string Substitute(std::string_view fmt, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    std::size_t pos = 0;
    while (next != args.end()) {
        const std::size_t at = fmt.find("%s", pos);
        if (at == std::string_view::npos)
            break;
        out.append(fmt.substr(pos, at - pos)).append(*next++);
        pos = at + 2;
    }
    out.append(fmt.substr(pos));
    return out;
}

std::string ErrorDisplayText(std::string_view message) {
    std::string out(message);
    if (message.empty())
        return out;
    std::size_t last = 0;
    for (std::size_t i = 0; i < message.size(); i += CharLength(message, i))
        last = i;
    if (static_cast<unsigned char>(message[last]) > static_cast<unsigned char>('.'))
        out += '.';
    return out;
}

std::string MessageOf(const std::exception& e) {
    if (const auto* app = dynamic_cast<const AppError*>(&e))
        return app->Message();
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        return std::string(kMsgOutOfMemory);
    return std::string(kMsgUnexpectedError);
}

} // namespace tobrix
