/* Counts the frames a game shows, for scripts/measure_menu.sh: loaded with LD_PRELOAD, it passes
 * every SDL_GL_SwapWindow on to SDL and adds one to a 64-bit counter at the start of the file
 * named by QV_FRAME_COUNT_FILE (mapped shared, so the script reads it while the game runs).
 *
 *   cc -O2 -shared -fPIC -o frame_counter.so scripts/frame_counter.c -ldl
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static volatile uint64_t* counter;

static void Open(void)
{
    const char* name = getenv("QV_FRAME_COUNT_FILE");
    if (!name)
        return;
    const int fd = open(name, O_RDWR | O_CREAT, 0644);
    if (fd < 0)
        return;
    if (ftruncate(fd, sizeof(uint64_t)) == 0)
    {
        void* p = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (p != MAP_FAILED)
            counter = (volatile uint64_t*)p;
    }
    close(fd);
}

void SDL_GL_SwapWindow(void* window)
{
    static void (*next)(void*);
    if (!next)
    {
        next = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
        Open();
    }
    if (counter)
        ++*counter;
    if (next)
        next(window);
}
