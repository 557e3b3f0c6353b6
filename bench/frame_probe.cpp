// Preloaded into the game by bench/run_bench.py (LD_PRELOAD): takes the library's vsync as
// the mark of a frame, times a window of match frames in CPU and real time, counts the heap
// allocations made in it, and notes when the first frame and the first title frame came.
// It also counts the retraces and the real time of each fade (a screen-sized bitmap
// created, then destroyed after some frames: the fade's overlay) and times a window of
// title-screen frames in CPU and real time.
#include <allegro.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t n, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t align, size_t size);
}

static pid_t main_tid;
static volatile sig_atomic_t start_asked;
static std::atomic<int> counting{0};
static std::atomic<long> main_allocs{0};
static std::atomic<long> other_allocs{0};

static int in_match;
// The timer the first fade installed and removed, if any (see install_int_ex).
static void (*fade_timer)(void);
static int window_open;
static int window_done;
static int frames_wanted = 300;
static long window_frames;
static long frames_with_allocs;
static long allocs_at_last_frame;
static long frames_total;
static int fade_over;
static long long first_frame_ns, title_frame_ns;
static long long cpu0, thread0, wall0;

// The fades: the last screen-sized bitmap created, when and after how many frames.
static BITMAP *overlay;
static long long overlay_ns;
static long overlay_frames;
static int fades_seen;

// The title window: frames of the first title visit, from TITLE_SKIP on (its first half
// second at 70 Hz, so that nothing of the start-up is in it), BENCH_TITLE_FRAMES of them.
#define TITLE_SKIP 35
static long title_frames_wanted = 140;
static long title_frames;  // frames of the first title visit so far
static int title_window;   // 0 not yet, 1 open, 2 done
static long long title_cpu0, title_thread0, title_wall0;

static long long clock_ns(clockid_t id)
{
    timespec t;
    clock_gettime(id, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Counts one allocation made while the window is open, the main thread's apart.
static void note_alloc(void)
{
    if (!counting.load(std::memory_order_relaxed))
        return;
    // initial-exec: reaching it never allocates, which would come back here.
    static thread_local int is_main __attribute__((tls_model("initial-exec"))) = -1;
    if (is_main < 0)
        is_main = (pid_t)syscall(SYS_gettid) == main_tid;
    (is_main ? main_allocs : other_allocs)++;
}

extern "C" void *malloc(size_t size)
{
    note_alloc();
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t n, size_t size)
{
    note_alloc();
    return __libc_calloc(n, size);
}

extern "C" void *realloc(void *p, size_t size)
{
    note_alloc();
    return __libc_realloc(p, size);
}

extern "C" void *memalign(size_t align, size_t size)
{
    note_alloc();
    return __libc_memalign(align, size);
}

extern "C" int posix_memalign(void **out, size_t align, size_t size)
{
    note_alloc();
    *out = __libc_memalign(align, size);
    return *out ? 0 : 12;
}

extern "C" void *aligned_alloc(size_t align, size_t size)
{
    note_alloc();
    return __libc_memalign(align, size);
}

static void ask_start(int)
{
    start_asked = 1;
}

static void write_file(const char *suffix, const char *text)
{
    const char *base = getenv("BENCH_OUT");
    if (!base)
        return;
    char path[4096], tmp[4200];
    snprintf(path, sizeof path, "%s%s", base, suffix);
    snprintf(tmp, sizeof tmp, "%s.tmp", path);
    FILE *f = fopen(tmp, "w");
    if (!f)
        return;
    fputs(text, f);
    fclose(f);
    rename(tmp, path);
}

__attribute__((constructor)) static void probe_start(void)
{
    main_tid = (pid_t)syscall(SYS_gettid);
    if (getenv("BENCH_FRAMES"))
        frames_wanted = atoi(getenv("BENCH_FRAMES"));
    if (getenv("BENCH_TITLE_FRAMES"))
        title_frames_wanted = atol(getenv("BENCH_TITLE_FRAMES"));
    signal(SIGUSR1, ask_start);
}

// Closes the window: writes what it measured and hands callgrind its dump.
static void close_window(void)
{
    counting = 0;
    CALLGRIND_DUMP_STATS_AT("match frames");
    char text[1024];
    snprintf(text, sizeof text,
             "frames=%ld\nprocess_cpu_ns=%lld\nthread_cpu_ns=%lld\nwall_ns=%lld\n"
             "main_allocs=%ld\nframes_with_allocs=%ld\nother_allocs=%ld\n",
             window_frames, clock_ns(CLOCK_PROCESS_CPUTIME_ID) - cpu0,
             clock_ns(CLOCK_THREAD_CPUTIME_ID) - thread0, clock_ns(CLOCK_MONOTONIC) - wall0,
             main_allocs.load(), frames_with_allocs, other_allocs.load());
    write_file(".match", text);
    window_open = 0;
    window_done = 1;
}

// Times the first title visit's frames TITLE_SKIP to TITLE_SKIP + title_frames_wanted;
// called at each of its frames. A match begun before the end leaves no figures.
static void title_frame(void)
{
    if (in_match) {
        title_window = 2;
        return;
    }
    if (title_window == 0 && title_frames == TITLE_SKIP) {
        title_window = 1;
        title_cpu0 = clock_ns(CLOCK_PROCESS_CPUTIME_ID);
        title_thread0 = clock_ns(CLOCK_THREAD_CPUTIME_ID);
        title_wall0 = clock_ns(CLOCK_MONOTONIC);
    } else if (title_window == 1 && title_frames == TITLE_SKIP + title_frames_wanted) {
        title_window = 2;
        char text[512];
        snprintf(text, sizeof text,
                 "frames=%ld\nprocess_cpu_ns=%lld\nthread_cpu_ns=%lld\nwall_ns=%lld\n",
                 title_frames_wanted, clock_ns(CLOCK_PROCESS_CPUTIME_ID) - title_cpu0,
                 clock_ns(CLOCK_THREAD_CPUTIME_ID) - title_thread0,
                 clock_ns(CLOCK_MONOTONIC) - title_wall0);
        write_file(".title", text);
    }
    title_frames++;
}

extern "C" void vsync(void)
{
    static void (*real)(void) = (void (*)(void))dlsym(RTLD_NEXT, "vsync");
    if (frames_total++ == 0)
        first_frame_ns = clock_ns(CLOCK_REALTIME);
    if (fade_over == 1) {
        fade_over = 2;
        title_frame_ns = clock_ns(CLOCK_REALTIME);
        char text[256];
        snprintf(text, sizeof text, "first_frame_ns=%lld\ntitle_frame_ns=%lld\n",
                 first_frame_ns, title_frame_ns);
        write_file(".start", text);
    }
    if (fade_over == 2 && title_window < 2)
        title_frame();
    if (window_open) {
        window_frames++;
        if (main_allocs > allocs_at_last_frame)
            frames_with_allocs++;
        allocs_at_last_frame = main_allocs;
        if (window_frames == frames_wanted)
            close_window();
    } else if (in_match && start_asked && !window_done) {
        window_open = 1;
        window_frames = 0;
        main_allocs = 0;
        other_allocs = 0;
        allocs_at_last_frame = 0;
        CALLGRIND_ZERO_STATS;
        cpu0 = clock_ns(CLOCK_PROCESS_CPUTIME_ID);
        thread0 = clock_ns(CLOCK_THREAD_CPUTIME_ID);
        wall0 = clock_ns(CLOCK_MONOTONIC);
        counting = 1;
    }
    real();
}

// A fade begins with a screen-sized bitmap, its overlay.
extern "C" BITMAP *create_bitmap(int w, int h)
{
    static BITMAP *(*real)(int, int) = (BITMAP * (*)(int, int)) dlsym(RTLD_NEXT, "create_bitmap");
    BITMAP *b = real(w, h);
    if (b != NULL && w == SCREEN_W && h == SCREEN_H) {
        overlay = b;
        overlay_ns = clock_ns(CLOCK_MONOTONIC);
        overlay_frames = frames_total;
    }
    return b;
}

// The fade's overlay is the first bitmap the game destroys: the next frame is the title's.
// Each fade's retraces (the frames between its overlay's creation and destruction) and
// real time go to the file .fadeN, N = 1 for the first.
extern "C" void destroy_bitmap(BITMAP *b)
{
    static void (*real)(BITMAP *) = (void (*)(BITMAP *))dlsym(RTLD_NEXT, "destroy_bitmap");
    if (fade_over == 0 && frames_total > 0)
        fade_over = 1;
    if (b != NULL && b == overlay && frames_total > overlay_frames) {
        char text[256], suffix[32];
        snprintf(text, sizeof text, "retraces=%ld\nwall_ns=%lld\n", frames_total - overlay_frames,
                 clock_ns(CLOCK_MONOTONIC) - overlay_ns);
        snprintf(suffix, sizeof suffix, ".fade%d", ++fades_seen);
        write_file(suffix, text);
    }
    if (b == overlay)
        overlay = NULL;
    real(b);
}

// A match runs from the installation of its clock to its removal. A timer that the first
// fade installs and removes again is not the match clock: it keeps the retrace going, there
// and on the title screen, where the game installs it again.
extern "C" int install_int_ex(void (*proc)(void), long speed)
{
    static int (*real)(void (*)(void), long) =
        (int (*)(void (*)(void), long))dlsym(RTLD_NEXT, "install_int_ex");
    if (proc != fade_timer)
        in_match = 1;
    return real(proc, speed);
}

extern "C" void remove_int(void (*proc)(void))
{
    static void (*real)(void (*)(void)) = (void (*)(void (*)(void)))dlsym(RTLD_NEXT, "remove_int");
    if (proc != fade_timer) {
        if (window_open)
            close_window();
        in_match = 0;
        if (fade_over == 0)
            fade_timer = proc;
    }
    real(proc);
}
