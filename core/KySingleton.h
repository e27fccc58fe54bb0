#ifndef KY_SINGLETON_H
#define KY_SINGLETON_H

#include <new>

// Engine-wide services are reached through KySingleton<T>::instance(): the
// object is created on first use (without locking: services live on the main
// thread) and kept until the program ends; the template never destroys it on
// its own. destroy() deletes it for shutdown code and tests; the next
// instance() makes a fresh one.
//
// The engine reaches the game's Application through
// KySingleton<Application>::instance() without linking the game: the game
// instantiates the template, the engine only names it.
template <class T>
class KySingleton {
public:
    // The one instance, created when missing. When allocation fails, null is
    // returned and the next call tries again.
    static T* instance()
    {
        if (!s_instance)
            s_instance = new (std::nothrow) T();
        return s_instance;
    }

    static bool exists() { return s_instance != nullptr; }

    // Deletes the instance. While its destructor runs, instance() still gives
    // the dying object, so teardown code cannot create a second one.
    static void destroy()
    {
        if (!s_instance)
            return;
        delete s_instance;
        s_instance = nullptr;
    }

private:
    static inline T* s_instance = nullptr;
};

#endif
