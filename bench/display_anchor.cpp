// The anchor of the display benchmark: a bare SDL2 program that opens one
// window of the main window's size on the same software path, draws one
// frame, says so on standard output and then waits for events.
#include <SDL.h>
#include <unistd.h>

int main() {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("anchor", 50, 50, 397, 630, SDL_WINDOW_BORDERLESS);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface) {
        return 1;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 240, 240, 240));
    SDL_UpdateWindowSurface(window);
    if (write(1, "1\n", 2) != 2) {
        return 1;
    }
    SDL_Event event;
    while (SDL_WaitEvent(&event)) {
    }
    return 0;
}
