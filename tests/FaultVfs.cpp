#include "FaultVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace zox::test {

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
std::atomic<bool> g_armed{false};
std::atomic<bool> g_persistent{false};
std::atomic<bool> g_fired{false};
std::atomic<long> g_count{0};
std::atomic<long> g_k{0};
std::atomic<int> g_code{SQLITE_IOERR};
const char* g_firedAt = "";

struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real;  // follows this struct in the same allocation
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }

// True when this operation is the one to fail.
bool Fail(const char* what)
{
    if (!g_armed) return false;
    const long n = ++g_count;
    if (n == g_k || (g_persistent && n > g_k)) {
        g_fired = true;
        g_firedAt = what;
        return true;
    }
    return false;
}

int Close(sqlite3_file* f)
{
    sqlite3_file* r = Real(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int Read(sqlite3_file* f, void* buf, int amt, sqlite3_int64 off)
{
    if (Fail("read")) return g_code == SQLITE_IOERR ? SQLITE_IOERR_READ : g_code.load();
    return Real(f)->pMethods->xRead(Real(f), buf, amt, off);
}
int Write(sqlite3_file* f, const void* buf, int amt, sqlite3_int64 off)
{
    if (Fail("write")) return g_code == SQLITE_IOERR ? SQLITE_IOERR_WRITE : g_code.load();
    return Real(f)->pMethods->xWrite(Real(f), buf, amt, off);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size)
{
    if (Fail("truncate")) return g_code == SQLITE_IOERR ? SQLITE_IOERR_TRUNCATE : g_code.load();
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags)
{
    if (Fail("sync")) return g_code == SQLITE_IOERR ? SQLITE_IOERR_FSYNC : g_code.load();
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level)
{
    if (Fail("lock")) return g_code == SQLITE_IOERR ? SQLITE_IOERR_LOCK : g_code.load();
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }

// Version 1: no shared memory and no memory-mapped reads, which a rollback
// journal without mmap never asks for.
const sqlite3_io_methods kMethods = {
    1, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
    DeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* ff = reinterpret_cast<FaultFile*>(f);
    ff->real = reinterpret_cast<sqlite3_file*>(ff + 1);
    std::memset(ff->real, 0, size_t(g_real->szOsFile));
    const int rc = g_real->xOpen(g_real, name, ff->real, flags, outFlags);
    // SQLite calls xClose even after a failed open when pMethods is set.
    ff->base.pMethods = ff->real->pMethods ? &kMethods : nullptr;
    return rc;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) { return g_real->xDelete(g_real, name, syncDir); }
int Access(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g_real->xFullPathname(g_real, name, n, out); }
void* DlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void DlError(sqlite3_vfs*, int n, char* msg) { g_real->xDlError(g_real, n, msg); }
void (*DlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void DlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int Randomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int Sleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int CurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int GetLastError(sqlite3_vfs*, int n, char* s) { return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, s) : 0; }
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g_real->xCurrentTimeInt64(g_real, t); }

}  // namespace

void FaultVfs::install()
{
    if (g_real) return;
    sqlite3_initialize();
    g_real = sqlite3_vfs_find(nullptr);
    std::memset(&g_vfs, 0, sizeof g_vfs);
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = int(sizeof(FaultFile)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = "zox-fault";
    g_vfs.xOpen = Open;
    g_vfs.xDelete = Delete;
    g_vfs.xAccess = Access;
    g_vfs.xFullPathname = FullPathname;
    g_vfs.xDlOpen = DlOpen;
    g_vfs.xDlError = DlError;
    g_vfs.xDlSym = DlSym;
    g_vfs.xDlClose = DlClose;
    g_vfs.xRandomness = Randomness;
    g_vfs.xSleep = Sleep;
    g_vfs.xCurrentTime = CurrentTime;
    g_vfs.xGetLastError = GetLastError;
    g_vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

void FaultVfs::arm(long k, int code, bool persistent)
{
    g_count = 0;
    g_k = k;
    g_code = code;
    g_persistent = persistent;
    g_fired = false;
    g_armed = true;
}

void FaultVfs::disarm() { g_armed = false; }
long FaultVfs::counted() { return g_count; }
bool FaultVfs::fired() { return g_fired; }
const char* FaultVfs::firedAt() { return g_firedAt; }

}  // namespace zox::test
