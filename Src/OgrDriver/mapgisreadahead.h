// Reading a layer's items ahead on a second thread while the caller turns the ones before
// into OGR features. The plug-in's read and the conversion cost about the same, so a
// sequential read of a large file takes little more than half as long on two cores. Items
// come out exactly as the plug-in's cursor gives them, one position after the other.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "mapgisplugin.h"

namespace mapgis {

class ItemReadAhead {
public:
    // Starts reading at the layer's cursor in the session.
    ItemReadAhead(std::shared_ptr<PluginSession> session, int iLayer);
    ~ItemReadAhead();
    ItemReadAhead(const ItemReadAhead&) = delete;
    ItemReadAhead& operator=(const ItemReadAhead&) = delete;

    // The next read, waiting for it when the thread is behind. After the read that found
    // the end of the index, the thread has stopped and every further call returns it again.
    ItemRead Next();
    // Gives a read back once the caller is done with it. Its feature goes back to the
    // thread that made it and is destroyed there: memory freed by the thread that took it
    // from the allocator is freed cheaply, from another thread it is not.
    void Recycle(ItemRead read);
    // Stops the thread; the reads it made that nobody has taken are dropped, and the
    // session's cursor stands after the last of them.
    void Stop();

private:
    void Run();

    // Reads pass between the threads in batches, so that waking the other thread is rare
    // next to the work of a read. Up to kBatches batches are kept ready: enough to ride
    // over items that take long, few enough that a layer read no further holds little.
    static constexpr std::size_t kBatch = 256;
    static constexpr std::size_t kBatches = 4;

    std::shared_ptr<PluginSession> m_session;
    int m_iLayer;
    std::mutex m_mutex;
    std::condition_variable m_cvSpace;           // the queue has room, or the thread is to stop
    std::condition_variable m_cvReads;           // a read was queued, or the thread has finished
    std::deque<std::deque<ItemRead>> m_batches;  // shared: full batches in order
    std::deque<ItemRead> m_taken;                // the caller's: the batch being taken
    std::deque<ItemRead> m_used;                 // the caller's: reads given back
    std::deque<ItemRead> m_spent;                // shared: reads for the thread to destroy
    bool m_bStop = false;
    bool m_bFinished = false;  // the end was read, or a read failed
    std::exception_ptr m_error;
    std::thread m_thread;
};

}  // namespace mapgis
