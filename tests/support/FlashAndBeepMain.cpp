// tarnix_flash_beep: flashes the screen of $DISPLAY white and beeps into the default sink, together,
// once a second, until killed (see FlashAndBeep.h); says "flash" on standard output at each.

#include <cstdlib>

#include "support/FlashAndBeep.h"

int main()
{
    const char* display = std::getenv("DISPLAY");
    tarnix::test::flashAndBeep(display ? display : "", stdout);
}
