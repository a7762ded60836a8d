// Asks the compositor for an activation token as a launcher does before it
// starts a program (xdg-activation-v1, with no surface of its own), and
// prints the token. activation_token [APP_ID]. Exits 77 where the compositor
// offers no activation, 1 where it answers nothing.
#include "app/tests/xdg-activation-v1-client-protocol.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <wayland-client.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
extern "C" {
#include "app/tests/xdg-activation-v1-protocol.c"
}
#pragma GCC diagnostic pop

namespace {

xdg_activation_v1* activation = nullptr;
std::string token;
bool done = false;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
        activation = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

void tokenDone(void*, xdg_activation_token_v1*, const char* given)
{
    token = given;
    done = true;
}

const xdg_activation_token_v1_listener tokenListener = {tokenDone};

} // namespace

int main(int argc, char** argv)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("activation_token: no Wayland display\n", stderr);
        return 77;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!activation) {
        std::fputs("activation_token: the compositor offers no xdg_activation_v1\n", stderr);
        return 77;
    }
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(request, &tokenListener, nullptr);
    if (argc > 1)
        xdg_activation_token_v1_set_app_id(request, argv[1]);
    xdg_activation_token_v1_commit(request);
    while (!done && wl_display_dispatch(display) >= 0) {
    }
    if (!done) {
        std::fputs("activation_token: the compositor gave no token\n", stderr);
        return 1;
    }
    std::printf("%s\n", token.c_str());
    xdg_activation_token_v1_destroy(request);
    xdg_activation_v1_destroy(activation);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
