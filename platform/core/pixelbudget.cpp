#include "pixelbudget.h"

#include "pixelmemory.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr size_t MostPixelMemory = PixelBudget::LargestCeiling;
// Of the memory the process may use, the pixels take at most this part:
// the rest is for the program, its libraries and the system.
constexpr size_t ShareDivisor = 4;

// A limit of a control group's file: a number of bytes, or "max".
size_t limitIn(const std::string &file)
{
    std::ifstream in(file);
    std::string value;
    if (!(in >> value) || value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
        return SIZE_MAX;
    try {
        return std::stoull(value);
    } catch (...) {
        return SIZE_MAX;
    }
}

// The lowest memory limit of the control groups the process is in, and of
// each group above them.
size_t controlGroupLimit()
{
    std::ifstream groups("/proc/self/cgroup");
    size_t lowest = SIZE_MAX;
    for (std::string line; std::getline(groups, line);) {
        // "0::/path" (version 2), or "N:memory:/path" (version 1)
        const size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        std::string root, file;
        if (controllers.empty()) {
            root = "/sys/fs/cgroup";
            file = "/memory.max";
        } else if (controllers == "memory") {
            root = "/sys/fs/cgroup/memory";
            file = "/memory.limit_in_bytes";
        } else {
            continue;
        }
        for (;;) {
            lowest = std::min(lowest, limitIn(root + path + file));
            const size_t slash = path.find_last_of('/');
            if (slash == std::string::npos || path.size() <= 1)
                break;
            path.resize(std::max<size_t>(slash, 1));
        }
    }
    return lowest;
}

size_t machineCeiling()
{
    size_t usable = SIZE_MAX;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        usable = size_t(pages) * size_t(pageSize);
    usable = std::min(usable, controlGroupLimit());
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            usable = std::min(usable, size_t(limit.rlim_cur));
    }
    return std::min(MostPixelMemory, usable / ShareDivisor);
}

std::atomic<size_t> testCeiling{0};

} // namespace

struct LoadOrder::State
{
    std::vector<Load> loads;
    // A load's picture as its turned copy takes it, once granted.
    std::vector<size_t> pictureBytes;
    std::vector<bool> askedAll;
    size_t allAskedBefore = 0; // every load before this one has asked for all it will
    size_t turn = 0;     // no load before it waits for a turn
    bool turnGiven = false; // turn is a load's turn: it replaces a picture of replaced bytes
    size_t replaced = 0;
    size_t givenUpBefore = 0;
    bool stopped = false;
};

// The budget's books, kept under one lock for every thread.
class PixelLedger
{
public:
    static PixelLedger &books()
    {
        static PixelLedger ledger;
        return ledger;
    }

    size_t inUse() const { return m_held.load(std::memory_order_relaxed); }

    size_t peak()
    {
        const std::lock_guard lock(m_mutex);
        return m_peak;
    }

    void resetPeak()
    {
        const std::lock_guard lock(m_mutex);
        m_peak = 0;
        notePeak();
    }

    // Holds hold bytes once test bytes fit, as the load this thread runs
    // may have them; false when they do not.
    bool take(size_t test, size_t hold, bool picture)
    {
        std::unique_lock lock(m_mutex);
        if (!member.order) {
            if (!fits(test, PixelBudget::ceiling()))
                return false;
        } else if (!decideInOrder(lock, *member.order, member.index, test)) {
            return false;
        }
        m_held.store(inUse() + hold, std::memory_order_relaxed);
        if (member.order && picture)
            member.order->pictureBytes[member.index] = hold;
        const size_t excess = keptPastTheBudget();
        notePeak(excess);
        lock.unlock();
        // Before the bytes granted are allocated, and without the lock,
        // which the window's thread takes too: this takes milliseconds.
        if (excess > 0)
            PixelMemory::giveBackKept(excess);
        return true;
    }

    void release(size_t bytes)
    {
        if (bytes == 0)
            return;
        const std::lock_guard lock(m_mutex);
        m_held.store(inUse() - bytes, std::memory_order_relaxed);
        if (m_waiting > 0)
            m_changed.notify_all();
    }

    void askedAll(LoadOrder::State &order, size_t index)
    {
        const std::lock_guard lock(m_mutex);
        if (index >= order.askedAll.size() || order.askedAll[index])
            return;
        order.askedAll[index] = true;
        while (order.allAskedBefore < order.askedAll.size() && order.askedAll[order.allAskedBefore])
            ++order.allAskedBefore;
        m_changed.notify_all();
    }

    void turnOf(LoadOrder::State &order, size_t index, size_t replaced)
    {
        const std::lock_guard lock(m_mutex);
        order.turn = index;
        order.turnGiven = true;
        order.replaced = replaced;
        m_replacedRoom = replaced;
        m_changed.notify_all();
    }

    void giveUpBefore(LoadOrder::State &order, size_t index)
    {
        const std::lock_guard lock(m_mutex);
        order.givenUpBefore = std::max(order.givenUpBefore, index);
        m_changed.notify_all();
    }

    void stop(LoadOrder::State &order)
    {
        const std::lock_guard lock(m_mutex);
        order.stopped = true;
        m_replacedRoom = 0;
        m_changed.notify_all();
    }

    void orderBegins()
    {
        const std::lock_guard lock(m_mutex);
        if (m_orders++ == 0)
            PixelMemory::keepLarge(true);
    }

    void orderEnds()
    {
        const std::lock_guard lock(m_mutex);
        if (--m_orders == 0)
            PixelMemory::keepLarge(false);
    }

    // The load whose requests this thread makes.
    struct Member
    {
        LoadOrder::State *order = nullptr;
        size_t index = 0;
    };
    static thread_local Member member;

private:
    bool fits(size_t bytes, size_t limit) const
    {
        const size_t held = inUse();
        return held <= limit && bytes <= limit - held;
    }

    // Room for the turns of the loads from the window's turn up to index:
    // their pictures are held, or granted, and each turn will hold a copy.
    static size_t turnsToCome(const LoadOrder::State &order, size_t index)
    {
        size_t room = 0;
        for (size_t i = order.turn; i < index; ++i) {
            if (order.loads[i].turns)
                room += order.pictureBytes[i];
        }
        return room;
    }

    bool decideInOrder(std::unique_lock<std::mutex> &lock, LoadOrder::State &order, size_t index, size_t test)
    {
        ++m_waiting;
        bool granted = false;
        for (;;) {
            if (order.stopped || index < order.givenUpBefore)
                break;
            if (order.allAskedBefore >= index) {
                if (order.turnGiven && order.turn == index) {
                    granted = fits(test, PixelBudget::ceiling() + order.replaced);
                    break;
                }
                // Ahead of its turn it may take neither the room of the
                // picture it replaces nor that of the turns before it.
                const size_t room = turnsToCome(order, index);
                if (PixelBudget::ceiling() >= room && fits(test, PixelBudget::ceiling() - room)) {
                    granted = true;
                    break;
                }
            }
            m_changed.wait(lock);
        }
        --m_waiting;
        return granted;
    }

    // How much of the memory kept to be used again (pixelmemory.h) must go
    // for what is held, and it, to stay within the budget.
    size_t keptPastTheBudget() const
    {
        const size_t limit = PixelBudget::ceiling() + m_replacedRoom;
        const size_t real = inUse() + PixelMemory::keptLargeBytes();
        return real > limit ? real - limit : 0;
    }

    // What the process has of pixel memory: held, and kept, less what is
    // about to go.
    void notePeak(size_t going = 0)
    {
        const size_t real = inUse() + PixelMemory::keptLargeBytes() - going;
        m_peak = std::max(m_peak, real - std::min(real, m_replacedRoom));
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<size_t> m_held{0};
    size_t m_peak = 0;
    size_t m_replacedRoom = 0;
    int m_waiting = 0;
    int m_orders = 0;
};

thread_local PixelLedger::Member PixelLedger::member;

namespace PixelBudget {

size_t ceiling()
{
    static const size_t machine = machineCeiling();
    const size_t forTesting = testCeiling.load();
    return forTesting != 0 ? forTesting : machine;
}

size_t inUse()
{
    return PixelLedger::books().inUse();
}

void setCeilingForTesting(size_t bytes)
{
    testCeiling = bytes;
}

size_t peak()
{
    return PixelLedger::books().peak();
}

void resetPeak()
{
    PixelLedger::books().resetPeak();
}

void loadHasAskedAll()
{
    if (const PixelLedger::Member member = PixelLedger::member; member.order)
        PixelLedger::books().askedAll(*member.order, member.index);
}

} // namespace PixelBudget

bool PixelReservation::tryTake(size_t bytes, PixelReservation &into)
{
    into.release();
    if (!PixelLedger::books().take(bytes, bytes, false))
        return false;
    into.m_bytes = bytes;
    return true;
}

bool PixelReservation::tryTakePicture(size_t turnedBytes, PixelReservation &into)
{
    into.release();
    const size_t both = turnedBytes > SIZE_MAX / 2 ? SIZE_MAX : 2 * turnedBytes;
    if (!PixelLedger::books().take(both, turnedBytes, true))
        return false;
    into.m_bytes = turnedBytes;
    return true;
}

PixelReservation &PixelReservation::operator=(PixelReservation &&other) noexcept
{
    if (this != &other) {
        release();
        m_bytes = other.m_bytes;
        other.m_bytes = 0;
    }
    return *this;
}

void PixelReservation::release()
{
    PixelLedger::books().release(m_bytes);
    m_bytes = 0;
}

LoadOrder::LoadOrder(std::vector<Load> loads) : m_state(new State)
{
    const size_t count = loads.size();
    m_state->loads = std::move(loads);
    m_state->pictureBytes.assign(count, 0);
    m_state->askedAll.assign(count, false);
    PixelLedger::books().orderBegins();
}

LoadOrder::~LoadOrder()
{
    PixelLedger::books().stop(*m_state);
    PixelLedger::books().orderEnds();
    delete m_state;
}

LoadOrder::Member::Member(LoadOrder &order, size_t index)
{
    PixelLedger::member = {order.m_state, index};
}

LoadOrder::Member::~Member()
{
    const PixelLedger::Member member = std::exchange(PixelLedger::member, {});
    if (member.order)
        PixelLedger::books().askedAll(*member.order, member.index);
}

void LoadOrder::turnOf(size_t index, size_t replaced)
{
    PixelLedger::books().turnOf(*m_state, index, replaced);
}

void LoadOrder::giveUpBefore(size_t index)
{
    PixelLedger::books().giveUpBefore(*m_state, index);
}

void LoadOrder::stop()
{
    PixelLedger::books().stop(*m_state);
}
