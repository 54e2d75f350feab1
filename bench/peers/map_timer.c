/* Times a window program from exec to the X server's map of its first top-level window, the
   moment a window appears on the screen. Usage: map_timer RUNS PROGRAM [ARGS...]; prints the
   median and the fastest run in milliseconds. */
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int Compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

/* One start: exec, wait for the MapNotify of a top-level window, then end the program. A program
   that ends before it maps a window (it could not reach the display) gives -1. */
static double TimeOneStart(Display *display, char **argv)
{
    XSync(display, True);
    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv);
        _exit(127);
    }
    double mapped = -1;
    while (mapped < 0) {
        if (!XPending(display)) {
            if (waitpid(child, NULL, WNOHANG) == child)
                return -1;
            struct pollfd wait = {ConnectionNumber(display), POLLIN, 0};
            poll(&wait, 1, 10);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect)
            mapped = Now() - start;
    }
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    return mapped;
}

/* The display, tried for a while: on a busy machine the server may refuse a connection now and then. */
static Display *OpenDisplay(void)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        Display *display = XOpenDisplay(NULL);
        if (display)
            return display;
        usleep(100 * 1000);
    }
    return NULL;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: map_timer RUNS PROGRAM [ARGS...]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    Display *display = OpenDisplay();
    if (display == NULL || runs < 1) {
        fprintf(stderr, "map_timer: no display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    double *times = calloc((size_t)runs, sizeof *times);
    for (int i = 0; i < runs; ++i) {
        /* A start that could not reach the display is taken again, a few times at most. */
        for (int attempt = 0; attempt < 5 && (times[i] = TimeOneStart(display, argv + 2)) < 0; ++attempt)
            usleep(100 * 1000);
        if (times[i] < 0) {
            fprintf(stderr, "map_timer: %s ends without mapping a window\n", argv[2]);
            return 1;
        }
    }
    qsort(times, (size_t)runs, sizeof *times, Compare);
    printf("%.2f %.2f\n", times[runs / 2], times[0]);
    free(times);
    XCloseDisplay(display);
    return 0;
}
