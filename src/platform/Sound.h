#pragma once

namespace tobrix {

class Sound {
public:
    virtual ~Sound() = default;
    // The system sound of the given message-box type (0: the default beep).
    virtual void Beep(unsigned type) = 0;
};

inline constexpr unsigned kBeepDefault = 0;
inline constexpr unsigned kBeepAsterisk = 0x40; // the information sound

} // namespace tobrix
