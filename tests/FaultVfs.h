#pragma once
// A SQLite VFS over the default one that fails one chosen file operation: the
// k-th read, write, sync, truncate or lock after arm() returns the error code
// given (SQLITE_IOERR, SQLITE_FULL ...). Everything else passes through. Once
// installed it is the default VFS of the process, so the program's own opens
// go through it.

namespace zox::test {

class FaultVfs {
public:
    static void install();
    // Fails the k-th counted operation from now on (k >= 1) with `code`;
    // `persistent` fails every one from there on.
    static void arm(long k, int code, bool persistent = false);
    static void disarm();
    static long counted();  // operations counted since arm()
    static bool fired();    // whether the failure has happened since arm()
    static const char* firedAt();  // the kind of operation that failed: "read", "write", "sync" ...
};

// Arms for the scope of a block; disarms however it is left.
struct FaultArmed {
    FaultArmed(long k, int code, bool persistent = false) { FaultVfs::arm(k, code, persistent); }
    ~FaultArmed() { FaultVfs::disarm(); }
};

}  // namespace zox::test
