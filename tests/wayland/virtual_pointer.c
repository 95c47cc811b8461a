// A pointer for a wlroots desktop that has no input devices: a virtual one
// (zwlr_virtual_pointer_v1) that exists while this program runs. The tests drag with it.
//
//   virtual_pointer CMD...   CMD = abs X Y | down | up | sleep MS
//   virtual_pointer          says "ready", then takes the same commands a line at a time from
//                            standard input, each line answered with "done" once the desktop has them
//
// A client learns of a pointer only when one appears: a test keeps this running while its window
// is up, or the window may miss the first events.
// Positions are in the output's pixels (the desktop has one output, of the size of
// $TARNIX_WAYLAND_OUTPUT or 1280x720); down and up are the left button.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include "virtual-pointer-client.h"

static struct zwlr_virtual_pointer_manager_v1* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {global, globalRemove};

static uint32_t milliseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Carries out `count` commands; 0 when each was known.
static int run(struct wl_display* display, struct zwlr_virtual_pointer_v1* pointer, int count, char** words)
{
    unsigned width = 1280, height = 720;
    const char* output = getenv("TARNIX_WAYLAND_OUTPUT");
    if (output && *output)
        sscanf(output, "%ux%u", &width, &height);
    for (int i = 0; i < count; ++i) {
        const char* command = words[i];
        if (!strcmp(command, "abs") && i + 2 < count) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), (uint32_t)atoi(words[i + 1]),
                                                    (uint32_t)atoi(words[i + 2]), width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
            i += 2;
        } else if (!strcmp(command, "down") || !strcmp(command, "up")) {
            zwlr_virtual_pointer_v1_button(pointer, milliseconds(), BTN_LEFT,
                                           !strcmp(command, "down") ? WL_POINTER_BUTTON_STATE_PRESSED
                                                                    : WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (!strcmp(command, "sleep") && i + 1 < count) {
            wl_display_roundtrip(display);
            const long ms = atol(words[++i]);
            const struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
            nanosleep(&pause, NULL);
        } else {
            fprintf(stderr, "virtual_pointer: unknown command %s\n", command);
            return 2;
        }
        wl_display_roundtrip(display);
    }
    return 0;
}

int main(int argc, char** argv)
{
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtual_pointer: can't connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "virtual_pointer: the desktop offers no virtual pointers\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    int status = 0;
    if (argc > 1) {
        status = run(display, pointer, argc - 1, argv + 1);
    } else {
        char line[4096];
        printf("ready\n");
        fflush(stdout);
        while (status == 0 && fgets(line, sizeof line, stdin)) {
            char* words[256];
            int count = 0;
            for (char* word = strtok(line, " \t\n"); word && count < 256; word = strtok(NULL, " \t\n"))
                words[count++] = word;
            status = run(display, pointer, count, words);
            printf("done\n");
            fflush(stdout);
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return status;
}
