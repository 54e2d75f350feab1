#include "faultcontrol.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

static int ErrnoByName(const char *text)
{
    static const struct
    {
        const char *name;
        int value;
    } names[] = {{"EIO", EIO},     {"ENOSPC", ENOSPC}, {"ENODEV", ENODEV}, {"EPERM", EPERM},   {"EROFS", EROFS},
                 {"ENXIO", ENXIO}, {"EACCES", EACCES}, {"EDQUOT", EDQUOT}, {"ENOENT", ENOENT}, {"EBUSY", EBUSY}};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (strcmp(text, names[i].name) == 0)
            return names[i].value;
    return atoi(text);
}

void ResetFaults(struct faults *f)
{
    memset(f, 0, sizeof *f);
    f->write_after_bytes = f->lose_after_bytes = f->capacity = f->statfs_total = f->statfs_free = -1;
}

// OP_error, OP_from_call, OP_calls.
static int ParseFailing(const char *key, const char *value, const char *op, struct failing *into)
{
    const size_t n = strlen(op);
    if (strncmp(key, op, n) != 0 || key[n] != '_')
        return 0;
    key += n + 1;
    if (strcmp(key, "error") == 0)
        into->error = ErrnoByName(value);
    else if (strcmp(key, "from_call") == 0)
        into->from_call = atol(value);
    else if (strcmp(key, "calls") == 0)
        into->calls = atol(value);
    else
        return 0;
    return 1;
}

void ParseControl(FILE *in, struct faults *f)
{
    char line[512];
    ResetFaults(f);
    while (fgets(line, sizeof line, in)) {
        line[strcspn(line, "\r\n")] = '\0';
        char *eq = strchr(line, '=');
        if (!eq || line[0] == '#')
            continue;
        *eq = '\0';
        const char *key = line, *value = eq + 1;
        if (strcmp(key, "match") == 0)
            snprintf(f->match, sizeof f->match, "%s", value);
        else if (strcmp(key, "flip_write") == 0)
            f->flip_write = atol(value);
        else if (strcmp(key, "flip_read") == 0)
            f->flip_read = atol(value);
        else if (ParseFailing(key, value, "write", &f->write) || ParseFailing(key, value, "fsync", &f->fsync) ||
                 ParseFailing(key, value, "rename", &f->rename))
            ;
        else if (strcmp(key, "write_after_bytes") == 0)
            f->write_after_bytes = atoll(value);
        else if (strcmp(key, "lose_after_bytes") == 0)
            f->lose_after_bytes = atoll(value);
        else if (strcmp(key, "capacity") == 0)
            f->capacity = atoll(value);
        else if (strcmp(key, "statfs_total") == 0)
            f->statfs_total = atoll(value);
        else if (strcmp(key, "statfs_free") == 0)
            f->statfs_free = atoll(value);
        else if (strcmp(key, "vanish") == 0)
            f->vanish = ErrnoByName(value);
        else if (strcmp(key, "write_rate") == 0)
            f->write_rate = atoll(value);
        else if (strcmp(key, "read_rate") == 0)
            f->read_rate = atoll(value);
        else if (strcmp(key, "lock_delay_ms") == 0)
            f->lock_delay_ms = atoll(value);
        else
            fprintf(stderr, "faultfs: unknown control key %s\n", key);
    }
}

int Matches(const char *path, const struct faults *f)
{
    return !f->match[0] || (path && strstr(path, f->match));
}

int Flips(long every, long call)
{
    return every > 0 && call > 0 && call % every == 0;
}

// The error of the call-th call of an operation, or 0.
int CallError(const struct failing *op, long call)
{
    const long from = op->from_call > 0 ? op->from_call : 1;
    return op->error && call >= from && (op->calls <= 0 || call < from + op->calls) ? -op->error : 0;
}
