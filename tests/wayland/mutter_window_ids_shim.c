// Preloaded into the test desktop's mutter (gnome-session.sh) to make its window ids known in
// advance. Mutter numbers windows from a random base (g_random_int() + 1, then one up per window),
// and the portal learns those ids from GNOME Shell's window list, which this desktop has no shell
// to provide: its stand-in (gnome_desktop.py shell-windows) names the known window, the first
// window mutter makes, by the id it will get, 0x10000001.
#include <stdint.h>

uint32_t g_random_int(void);

uint32_t g_random_int(void)
{
    return 0x10000000u;
}
