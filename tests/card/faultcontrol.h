#pragma once
// The faults that faultfs plays, as its control file gives them (the keys are listed in faultfs.c).

#include <stdio.h>

// An operation that fails: with error, from call from_call on, for calls calls (0: for good).
struct failing
{
    int error;
    long from_call, calls;
};

struct faults
{
    char match[256];
    long flip_write, flip_read;
    struct failing write, fsync, rename;
    long long write_after_bytes, lose_after_bytes; // -1: no limit
    long long capacity, statfs_total, statfs_free; // -1: not set
    long long write_rate, read_rate, lock_delay_ms;
    int vanish;
};

// No fault at all.
void ResetFaults(struct faults *f);
// The faults of a control file's "key=value" lines; unknown keys are named on standard error.
void ParseControl(FILE *in, struct faults *f);
// The faults strike path.
int Matches(const char *path, const struct faults *f);
// The call-th matching call (counted from 1; 0 for one that does not match) of an operation
// that flips every every-th call is flipped.
int Flips(long every, long call);
// The negative errno value that the call-th matching call of op returns, or 0.
int CallError(const struct failing *op, long call);
