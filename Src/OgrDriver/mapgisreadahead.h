// Reading a layer's items ahead on a second thread while the caller turns the ones before
// into OGR features. The plug-in's read and the conversion cost about the same, so a
// sequential read of a large file takes little more than half as long on two cores. Items
// come out exactly as the plug-in's cursor gives them, one position after the other.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mapgisplugin.h"

namespace mapgis {

class ItemReadAhead {
public:
    // Starts reading at the layer's cursor in the session; with wanted, the positions it does
    // not hold are passed over unread.
    ItemReadAhead(std::shared_ptr<PluginSession> session, int iLayer,
                  std::shared_ptr<const std::vector<bool>> wanted = nullptr);
    ~ItemReadAhead();
    ItemReadAhead(const ItemReadAhead&) = delete;
    ItemReadAhead& operator=(const ItemReadAhead&) = delete;

    // The next read, waiting for it when the thread is behind. After the read that found
    // the end of the index, or after a failed read (reported as a GDAL error), the thread
    // has stopped and every further call returns the end.
    ItemRead Next();
    // Gives a read back once the caller is done with it. Its feature goes back to the
    // thread that made it and is destroyed there: memory freed by the thread that took it
    // from the allocator is freed cheaply, from another thread it is not.
    void Recycle(ItemRead read);
    // Stops the thread, within a batch if need be; the reads nobody has taken are dropped.
    // The session's cursor then stands after the last read made.
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
    std::shared_ptr<const std::vector<bool>> m_wanted;
    std::atomic<bool> m_bStop{false};
    std::mutex m_mutex;
    std::condition_variable m_cvSpace;           // the queue has room, or the thread is to stop
    std::condition_variable m_cvReads;           // a read was queued, or the thread has finished
    std::deque<std::deque<ItemRead>> m_batches;  // shared: full batches in order
    std::deque<ItemRead> m_taken;                // the caller's: the batch being taken
    std::deque<ItemRead> m_used;                 // the caller's: reads given back
    std::deque<ItemRead> m_spent;                // shared: reads for the thread to destroy
    bool m_bFinished = false;                    // the end was read, or a read failed
    std::string m_strError;                      // why a read failed
    std::thread m_thread;
};

}  // namespace mapgis
