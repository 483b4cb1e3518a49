#pragma once
// A mutex that lends its holder the priority of whoever waits for it. The
// keying thread may run with real-time priority; a user-interface thread
// holding a lock it needs must then not be pushed aside by ordinary work on
// the other core, or an element would end late.

#if defined(__unix__)
#include <pthread.h>
#else
#include <mutex>
#endif

namespace zox {

#if defined(__unix__)

class TPiMutex {
public:
    TPiMutex()
    {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_setprotocol(&attr, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&m_mutex, &attr);
        pthread_mutexattr_destroy(&attr);
    }
    ~TPiMutex() { pthread_mutex_destroy(&m_mutex); }
    TPiMutex(const TPiMutex&) = delete;
    TPiMutex& operator=(const TPiMutex&) = delete;

    void lock() { pthread_mutex_lock(&m_mutex); }
    void unlock() { pthread_mutex_unlock(&m_mutex); }
    bool try_lock() { return pthread_mutex_trylock(&m_mutex) == 0; }
    pthread_mutex_t* native_handle() { return &m_mutex; }

private:
    pthread_mutex_t m_mutex;
};

#else

class TPiMutex : public std::mutex {};

#endif

}  // namespace zox
