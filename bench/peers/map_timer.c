/* Times a window program from exec to the X server's map of its first top-level window, the
   moment a window appears on the screen. Usage: map_timer RUNS PROGRAM [ARGS...]; prints the
   median and the fastest run in milliseconds. */
#include <X11/Xlib.h>
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

/* One start: exec, wait for the MapNotify of a top-level window, then end the program. */
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
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect)
            mapped = Now() - start;
    }
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    return mapped;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: map_timer RUNS PROGRAM [ARGS...]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    Display *display = XOpenDisplay(NULL);
    if (display == NULL || runs < 1) {
        fprintf(stderr, "map_timer: no display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    double *times = calloc((size_t)runs, sizeof *times);
    for (int i = 0; i < runs; ++i)
        times[i] = TimeOneStart(display, argv + 2);
    qsort(times, (size_t)runs, sizeof *times, Compare);
    printf("%.2f %.2f\n", times[runs / 2], times[0]);
    free(times);
    XCloseDisplay(display);
    return 0;
}
