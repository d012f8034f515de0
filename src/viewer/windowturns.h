// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QThread;

// Lets work on another thread read what belongs to the window's thread (the pane's document)
// in turns. While the work has its turn, the window's thread waits for it; after a slice of
// about 25 ms the work hands the turn back and waits while the window handles its events, so
// that the two never touch the document at once and the window never waits long. On the
// window's own thread the work simply goes on.
class WindowTurns
{
public:
    // window: an object of the window's thread, through which the turns are given; it
    // outlives the work.
    explicit WindowTurns(QObject *window);
    // Hands back a turn still held.
    ~WindowTurns();
    WindowTurns(const WindowTurns &) = delete;
    WindowTurns &operator=(const WindowTurns &) = delete;

    // On the work's thread, before each step that reads the window's objects: keeps the turn
    // while its slice lasts, else waits for the next one. False, holding no turn, once
    // stopped() holds (the user cancelled, or the window is going away).
    bool take(const std::function<bool()> &stopped);
    // The work is done with the window's objects for now.
    void giveBack();

    // Runs make(step), whose steps take turns, and gives the last turn back.
    template <typename Make>
    auto madeInTurns(const Make &make, const std::function<bool()> &stopped)
    {
        auto made = make([this, &stopped] { return take(stopped); });
        giveBack();
        return made;
    }

    // On the window's thread, which must wait for a work that takes turns (the last draft at
    // the end): gives the turns asked for meanwhile at once, until waiting() is false.
    static void lendWhile(const std::function<bool()> &waiting);

    static constexpr int sliceMs = 25;

private:
    struct Shared;
    static void offer(QObject *window, const std::shared_ptr<Shared> &shared);
    static void grant(Shared &shared, std::unique_lock<std::mutex> &lock);
    std::shared_ptr<Shared> m_shared;
    QObject *m_window;
    QThread *m_windowThread;
};
