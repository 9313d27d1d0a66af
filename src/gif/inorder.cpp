#include "gif/inorder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orugif::gif {

namespace {

enum class State { Free, Started, Done };

struct Item {
    State state = State::Free;
    ByteWriter coded;
    std::exception_ptr failure;
};

} // namespace

void CodeInOrder(int count, const std::function<void(int, ByteWriter&)>& code,
                 const std::function<void(int, const ByteWriter&)>& put, int ahead)
{
    if (count <= 0)
        return;
    const int helpers = std::min(int(std::thread::hardware_concurrency()) - 1, count - 1);
    if (helpers <= 0) {
        for (int i = 0; i < count; ++i) {
            ByteWriter coded;
            code(i, coded);
            put(i, coded);
        }
        return;
    }
    std::vector<Item> items(static_cast<std::size_t>(count));
    std::mutex lock;
    std::condition_variable changed;
    int putting = 0;       // the item the calling thread puts next
    int next = 0;          // the next item a helper may start
    bool stopping = false;
    const auto help = [&] {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            changed.wait(held, [&] { return stopping || next >= count || next <= putting + ahead; });
            if (stopping || next >= count)
                return;
            const int i = next++;
            Item& item = items[std::size_t(i)];
            if (item.state != State::Free)
                continue;
            item.state = State::Started;
            held.unlock();
            try {
                code(i, item.coded);
            } catch (...) {
                item.failure = std::current_exception();
            }
            held.lock();
            item.state = State::Done;
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const auto stop = [&] {
        {
            const std::lock_guard<std::mutex> held(lock);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& t : threads)
            t.join();
        threads.clear();
    };
    try {
        for (int t = 0; t < helpers; ++t)
            threads.emplace_back(help);
        for (int i = 0; i < count; ++i) {
            Item& item = items[std::size_t(i)];
            std::unique_lock<std::mutex> held(lock);
            putting = i;
            changed.notify_all();
            // While a helper codes item i, this thread codes a later one
            // nobody started rather than wait.
            while (item.state == State::Started) {
                int later = i + 1;
                while (later < count && later <= i + ahead && items[std::size_t(later)].state != State::Free)
                    ++later;
                if (later >= count || later > i + ahead) {
                    changed.wait(held, [&] { return item.state != State::Started; });
                    break;
                }
                Item& other = items[std::size_t(later)];
                other.state = State::Started;
                held.unlock();
                try {
                    code(later, other.coded);
                } catch (...) {
                    other.failure = std::current_exception();  // raised when its turn comes
                }
                held.lock();
                other.state = State::Done;
            }
            const bool mine = item.state == State::Free;
            if (mine)
                item.state = State::Started;
            held.unlock();
            if (mine)
                code(i, item.coded);
            else if (item.failure)
                std::rethrow_exception(item.failure);
            put(i, item.coded);
            item.coded = ByteWriter();  // its bytes are written: let them go
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
}

} // namespace orugif::gif
