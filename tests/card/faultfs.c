// faultfs: a pass-through FUSE file system over a folder that misbehaves on request, as a failing
// or fake-capacity SD card does. The card writer's tests mount it over a FAT image and steer it
// through a control file of "key=value" lines, read again whenever the file changes (write it to
// a temporary and rename it over, so no half-written control is read). Every counter starts again
// at zero when the control changes.
//
//   match=TEXT          the faults below strike only files whose path holds TEXT, and only
//                       their calls and bytes are counted (default: every file)
//   flip_write=N        every Nth write (1: each) stores one byte inverted
//   flip_read=N         every Nth read returns one byte inverted (the stored bytes stay right)
//   write_error=ERR     writes fail with ERR (EIO, ENOSPC, ... or a number) ...
//   write_after_bytes=N ... once N bytes were written (the write that crosses N is cut short)
//   write_from_call=N   ... from the Nth write on (without either: every write)
//   write_calls=N       ... for N calls, then writes work again (default: for good)
//   fsync_error=ERR, fsync_from_call=N, fsync_calls=N     the same for fsync
//   rename_error=ERR, rename_from_call=N, rename_calls=N  the same for rename
//   lose_after_bytes=N  once N bytes were written, writes are acknowledged but not stored, as a
//                       fake-capacity card does: the files written then end short
//   capacity=BYTES      a card of this size: statfs counts what the files take (4 KiB clusters),
//                       a write past it is cut short and the next fails with ENOSPC
//   statfs_total=BYTES, statfs_free=BYTES  what statfs reports (0 total blocks included)
//   vanish=ERR          every call fails with ERR (ENODEV, EIO): a pulled card
//   write_rate=B, read_rate=B  bytes per second, as a slow card
//   lock_delay_ms=N     each flock waits N ms before it takes effect, as over a slow link: wide
//                       enough for another process to act between opening a file and locking it
//
// Usage: faultfs SOURCE CONTROL MOUNTPOINT [FUSE options]
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include "faultcontrol.h"

#define CLUSTER 4096LL

struct state
{
    char source[PATH_MAX];
    char control[PATH_MAX];
    struct stat control_seen;
    struct faults f;
    long writes, reads, fsyncs, renames;
    long long written; // by the writes that match
    long long used;    // bytes the files take, for capacity; -1: count again
};

static struct state S;
static pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;
// Writes under a capacity go one at a time, so that what they take is counted exactly.
static pthread_mutex_t CapacityLock = PTHREAD_MUTEX_INITIALIZER;

// Reads the control again when it changed; call with Lock held.
static void Refresh(void)
{
    struct stat st;
    if (stat(S.control, &st) != 0)
        memset(&st, 0, sizeof st);
    if (st.st_ino == S.control_seen.st_ino && st.st_size == S.control_seen.st_size &&
        st.st_mtim.tv_sec == S.control_seen.st_mtim.tv_sec && st.st_mtim.tv_nsec == S.control_seen.st_mtim.tv_nsec)
        return;
    S.control_seen = st;
    FILE *in = fopen(S.control, "r");
    if (in) {
        ParseControl(in, &S.f);
        fclose(in);
    } else {
        ResetFaults(&S.f);
    }
    S.writes = S.reads = S.fsyncs = S.renames = 0;
    S.written = 0;
    S.used = -1;
}

// The faults as they stand now, or the vanish error.
static int Current(struct faults *f)
{
    pthread_mutex_lock(&Lock);
    Refresh();
    *f = S.f;
    pthread_mutex_unlock(&Lock);
    return f->vanish ? -f->vanish : 0;
}

static void Forget(void)
{
    pthread_mutex_lock(&Lock);
    S.used = -1;
    pthread_mutex_unlock(&Lock);
}

// FUSE keeps a file removed while open under a hidden name until it is closed. Below, it goes
// by a short name instead: fusefat breaks its FAT when it renames a file to a name that needs
// more long-name slots than the old one and removes it later (it then loops for ever).
static const char HiddenPrefix[] = ".fuse_hidden";

static void Full(char *out, const char *path)
{
    const char *name = strrchr(path, '/');
    if (name && strncmp(name + 1, HiddenPrefix, sizeof HiddenPrefix - 1) == 0) {
        // ".fuse_hidden" + node and counter in hex: the counter's last six digits tell them apart.
        const char *id = name + 1 + sizeof HiddenPrefix - 1;
        const size_t n = strlen(id);
        char folder[PATH_MAX];
        snprintf(folder, sizeof folder, "%.*s", (int)(name - path), path);
        if (snprintf(out, PATH_MAX, "%s%s/FH%s.TMP", S.source, folder, n > 6 ? id + n - 6 : id) >= PATH_MAX)
            return;
        for (char *c = out + strlen(out) - 10; *c; ++c)
            *c = (char)(*c >= 'a' && *c <= 'f' ? *c - 32 : *c);
        return;
    }
    snprintf(out, PATH_MAX, "%s%s", S.source, path);
}

static long long ClusterRound(long long size)
{
    return (size + CLUSTER - 1) / CLUSTER * CLUSTER;
}

static long long CountUsed(const char *dir)
{
    long long total = 0;
    DIR *d = opendir(dir);
    if (!d)
        return 0;
    struct dirent *e;
    while ((e = readdir(d))) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        char path[PATH_MAX];
        struct stat st;
        snprintf(path, sizeof path, "%s/%s", dir, e->d_name);
        if (lstat(path, &st) != 0)
            continue;
        total += S_ISDIR(st.st_mode) ? CLUSTER + CountUsed(path) : ClusterRound(st.st_size);
    }
    closedir(d);
    return total;
}

static long long Used(void)
{
    pthread_mutex_lock(&Lock);
    long long used = S.used;
    pthread_mutex_unlock(&Lock);
    if (used < 0) {
        used = CountUsed(S.source);
        pthread_mutex_lock(&Lock);
        S.used = used;
        pthread_mutex_unlock(&Lock);
    }
    return used;
}

static void Throttle(long long bytes, long long rate)
{
    if (rate <= 0 || bytes <= 0)
        return;
    const long long ns = bytes * 1000000000LL / rate;
    struct timespec t = {ns / 1000000000LL, ns % 1000000000LL};
    while (nanosleep(&t, &t) != 0 && errno == EINTR)
        ;
}

// Counts a call of a matching file: its number, or 0 for a file the faults leave alone.
static long Count(long *counter, const char *path, const struct faults *f)
{
    if (!Matches(path, f))
        return 0;
    pthread_mutex_lock(&Lock);
    const long call = ++*counter;
    pthread_mutex_unlock(&Lock);
    return call;
}

// A removed file kept while open (ours, or fusefat's own): the card's listing does not show it,
// as a kernel file system would not, and no fault strikes the rename that hides it.
static int Hidden(const char *path)
{
    const char *name = strrchr(path, '/');
    name = name ? name + 1 : path;
    return strncmp(name, HiddenPrefix, sizeof HiddenPrefix - 1) == 0 ||
           (strlen(name) == 12 && strncmp(name, "FH", 2) == 0 && strcmp(name + 8, ".TMP") == 0);
}

#define GUARD()                                                                                                        \
    struct faults f;                                                                                                   \
    do {                                                                                                               \
        const int gone = Current(&f);                                                                                  \
        if (gone)                                                                                                      \
            return gone;                                                                                               \
    } while (0)
#define PATHOF(name, path)                                                                                             \
    char name[PATH_MAX];                                                                                               \
    Full(name, path)

static void *FsInit(struct fuse_conn_info *conn, struct fuse_config *cfg)
{
    (void)conn;
    // Every look goes to the card: a pulled card or a changed name shows at once.
    cfg->entry_timeout = cfg->attr_timeout = cfg->negative_timeout = 0;
    return NULL;
}

static int FsGetattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    const int r = fi ? fstat((int)fi->fh, st) : lstat(full, st);
    return r == 0 ? 0 : -errno;
}

static int FsAccess(const char *path, int mask)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    return access(full, mask) == 0 ? 0 : -errno;
}

static int FsReaddir(const char *path, void *buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info *fi,
                     enum fuse_readdir_flags flags)
{
    (void)offset;
    (void)fi;
    (void)flags;
    GUARD();
    (void)f;
    PATHOF(full, path);
    DIR *d = opendir(full);
    if (!d)
        return -errno;
    struct dirent *e;
    while ((e = readdir(d))) {
        if (Hidden(e->d_name))
            continue;
        struct stat st = {0};
        st.st_ino = e->d_ino;
        st.st_mode = (mode_t)e->d_type << 12;
        if (fill(buf, e->d_name, &st, 0, 0))
            break;
    }
    closedir(d);
    return 0;
}

static int FsMkdir(const char *path, mode_t mode)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    Forget();
    return mkdir(full, mode) == 0 ? 0 : -errno;
}

static int FsRmdir(const char *path)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    Forget();
    return rmdir(full) == 0 ? 0 : -errno;
}

static int FsUnlink(const char *path)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    Forget();
    return unlink(full) == 0 ? 0 : -errno;
}

static int FsRename(const char *from, const char *to, unsigned int flags)
{
    GUARD();
    if (flags)
        return -EINVAL;
    PATHOF(a, from);
    PATHOF(b, to);
    Forget();
    if (Hidden(to))
        return rename(a, b) == 0 ? 0 : -errno;
    const int error = CallError(&f.rename, Count(&S.renames, from, &f));
    if (error)
        return error;
    return rename(a, b) == 0 ? 0 : -errno;
}

static int FsChmod(const char *path, mode_t mode, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    const int r = fi ? fchmod((int)fi->fh, mode) : chmod(full, mode);
    return r == 0 ? 0 : -errno;
}

static int FsChown(const char *path, uid_t uid, gid_t gid, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    const int r = fi ? fchown((int)fi->fh, uid, gid) : lchown(full, uid, gid);
    return r == 0 ? 0 : -errno;
}

static int FsTruncate(const char *path, off_t size, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    Forget();
    const int r = fi ? ftruncate((int)fi->fh, size) : truncate(full, size);
    return r == 0 ? 0 : -errno;
}

static int FsUtimens(const char *path, const struct timespec tv[2], struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    const int r = fi ? futimens((int)fi->fh, tv) : utimensat(AT_FDCWD, full, tv, AT_SYMLINK_NOFOLLOW);
    return r == 0 ? 0 : -errno;
}

static int FsCreate(const char *path, mode_t mode, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    Forget();
    const int fd = open(full, fi->flags, mode);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int FsOpen(const char *path, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    if (fi->flags & O_TRUNC)
        Forget();
    const int fd = open(full, fi->flags);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int FsRead(const char *path, char *buf, size_t size, off_t offset, struct fuse_file_info *fi)
{
    GUARD();
    const long call = Count(&S.reads, path, &f);
    Throttle((long long)size, f.read_rate);
    const ssize_t n = pread((int)fi->fh, buf, size, offset);
    if (n < 0)
        return -errno;
    if (n > 0 && Flips(f.flip_read, call))
        buf[n / 2] ^= 0xff;
    return (int)n;
}

static int FsWrite(const char *path, const char *buf, size_t size, off_t offset, struct fuse_file_info *fi)
{
    GUARD();
    const long call = Count(&S.writes, path, &f);
    long long allowed = (long long)size, written = 0;
    if (call) {
        pthread_mutex_lock(&Lock);
        written = S.written;
        pthread_mutex_unlock(&Lock);
    }
    if (call && f.write.error && f.write_after_bytes >= 0) {
        if (written >= f.write_after_bytes)
            return -f.write.error;
        if (written + allowed > f.write_after_bytes)
            allowed = f.write_after_bytes - written;
    } else if (call) {
        const int error = CallError(&f.write, call);
        if (error)
            return error;
    }
    Throttle(allowed, f.write_rate);
    if (call && f.lose_after_bytes >= 0 && written >= f.lose_after_bytes) {
        pthread_mutex_lock(&Lock);
        S.written += allowed;
        pthread_mutex_unlock(&Lock);
        return (int)allowed;
    }

    const int capacity = f.capacity >= 0;
    if (capacity)
        pthread_mutex_lock(&CapacityLock);
    struct stat st;
    long long before = 0;
    if (capacity && fstat((int)fi->fh, &st) == 0)
        before = st.st_size;
    if (capacity && (long long)offset + allowed > before) {
        const long long room = f.capacity / CLUSTER * CLUSTER - Used() + ClusterRound(before) - (long long)offset;
        if (room < allowed)
            allowed = room > 0 ? room : 0;
        if (allowed <= 0) {
            pthread_mutex_unlock(&CapacityLock);
            return -ENOSPC;
        }
    }
    char *copy = NULL;
    const char *data = buf;
    if (Flips(f.flip_write, call)) {
        copy = malloc((size_t)allowed);
        if (!copy) {
            if (capacity)
                pthread_mutex_unlock(&CapacityLock);
            return -ENOMEM;
        }
        memcpy(copy, buf, (size_t)allowed);
        copy[allowed / 2] ^= 0xff;
        data = copy;
    }
    const ssize_t n = pwrite((int)fi->fh, data, (size_t)allowed, offset);
    const int saved = errno;
    free(copy);
    if (capacity) {
        if (n > 0 && (long long)offset + n > before) {
            pthread_mutex_lock(&Lock);
            if (S.used >= 0)
                S.used += ClusterRound((long long)offset + n) - ClusterRound(before);
            pthread_mutex_unlock(&Lock);
        }
        pthread_mutex_unlock(&CapacityLock);
    }
    if (n < 0)
        return -saved;
    if (call) {
        pthread_mutex_lock(&Lock);
        S.written += n;
        pthread_mutex_unlock(&Lock);
    }
    return (int)n;
}

static int FsStatfs(const char *path, struct statvfs *st)
{
    GUARD();
    PATHOF(full, path);
    if (statvfs(full, st) != 0)
        return -errno;
    if (f.capacity >= 0) {
        const long long left = f.capacity - Used();
        st->f_bsize = st->f_frsize = CLUSTER;
        st->f_blocks = (fsblkcnt_t)(f.capacity / CLUSTER);
        st->f_bfree = st->f_bavail = (fsblkcnt_t)(left > 0 ? left / CLUSTER : 0);
    }
    if (f.statfs_total >= 0 || f.statfs_free >= 0) {
        st->f_bsize = st->f_frsize = CLUSTER;
        if (f.statfs_total >= 0)
            st->f_blocks = (fsblkcnt_t)(f.statfs_total / CLUSTER);
        if (f.statfs_free >= 0)
            st->f_bfree = st->f_bavail = (fsblkcnt_t)(f.statfs_free / CLUSTER);
    }
    return 0;
}

static int FsFlush(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    GUARD();
    (void)f;
    const int fd = dup((int)fi->fh);
    if (fd < 0)
        return -errno;
    return close(fd) == 0 ? 0 : -errno;
}

static int FsRelease(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close((int)fi->fh); // also on a pulled card: the handle must not outlive the mount
    Forget();
    return 0;
}

static int FsFsync(const char *path, int datasync, struct fuse_file_info *fi)
{
    GUARD();
    const int error = CallError(&f.fsync, Count(&S.fsyncs, path, &f));
    if (error)
        return error;
    const int r = datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh);
    return r == 0 ? 0 : -errno;
}

static int FsOpendir(const char *path, struct fuse_file_info *fi)
{
    GUARD();
    (void)f;
    PATHOF(full, path);
    const int fd = open(full, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int FsReleasedir(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

// Locks are taken on the file below, so that they conflict exactly as on the card itself.
static int FsFlock(const char *path, struct fuse_file_info *fi, int op)
{
    (void)path;
    GUARD();
    if (!(op & LOCK_UN) && f.lock_delay_ms > 0)
        Throttle(f.lock_delay_ms * 1000, 1000000);
    return flock((int)fi->fh, op) == 0 ? 0 : -errno;
}

static int FsFsyncdir(const char *path, int datasync, struct fuse_file_info *fi)
{
    (void)path;
    (void)datasync;
    (void)fi;
    GUARD();
    (void)f;
    return 0;
}

static const struct fuse_operations Operations = {
    .init = FsInit,
    .getattr = FsGetattr,
    .access = FsAccess,
    .readdir = FsReaddir,
    .mkdir = FsMkdir,
    .rmdir = FsRmdir,
    .unlink = FsUnlink,
    .rename = FsRename,
    .chmod = FsChmod,
    .chown = FsChown,
    .truncate = FsTruncate,
    .utimens = FsUtimens,
    .create = FsCreate,
    .open = FsOpen,
    .read = FsRead,
    .write = FsWrite,
    .statfs = FsStatfs,
    .flush = FsFlush,
    .release = FsRelease,
    .fsync = FsFsync,
    .fsyncdir = FsFsyncdir,
    .opendir = FsOpendir,
    .releasedir = FsReleasedir,
    .flock = FsFlock,
};

int main(int argc, char *argv[])
{
    if (argc < 4) {
        fprintf(stderr, "usage: faultfs SOURCE CONTROL MOUNTPOINT [FUSE options]\n");
        return 2;
    }
    if (!realpath(argv[1], S.source)) {
        perror(argv[1]);
        return 2;
    }
    // The control may not exist yet; its folder must, since the daemon leaves the working folder.
    char folder[PATH_MAX];
    snprintf(folder, sizeof folder, "%s", argv[2]);
    char *slash = strrchr(folder, '/');
    const char *name = slash ? slash + 1 : argv[2];
    if (slash)
        *slash = '\0';
    if (!realpath(slash ? (folder[0] ? folder : "/") : ".", S.control)) {
        perror(argv[2]);
        return 2;
    }
    snprintf(S.control + strlen(S.control), sizeof S.control - strlen(S.control), "/%s", name);
    ResetFaults(&S.f);
    S.used = -1;
    S.control_seen.st_ino = (ino_t)-1;
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &Operations, NULL);
}
