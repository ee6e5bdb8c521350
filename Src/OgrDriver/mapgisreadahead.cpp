#include "mapgisreadahead.h"

#include <exception>
#include <utility>

#include "cpl_error.h"

namespace mapgis {

ItemReadAhead::ItemReadAhead(std::shared_ptr<PluginSession> session, int iLayer,
                             std::shared_ptr<const std::vector<bool>> wanted)
    : m_session(std::move(session)),
      m_iLayer(iLayer),
      m_wanted(std::move(wanted)),
      m_thread([this] { Run(); }) {}

ItemReadAhead::~ItemReadAhead() {
    Stop();
}

void ItemReadAhead::Run() {
    bool bFinished = false;
    while (!bFinished) {
        std::deque<ItemRead> spent;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cvSpace.wait(lock, [this] { return m_bStop || m_batches.size() < kBatches; });
            if (m_bStop)
                return;
            spent.swap(m_spent);
        }
        spent.clear();
        std::deque<ItemRead> batch;
        std::string strError;
        // Nothing may leave this thread as an exception: it would end the program.
        try {
            bFinished = m_session->ReadBatch(m_iLayer, kBatch, batch, m_bStop, m_wanted.get());
        } catch (const std::exception& e) {
            strError = e.what();
            bFinished = true;
        } catch (...) {
            strError = "unknown failure";
            bFinished = true;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!batch.empty())
                m_batches.push_back(std::move(batch));
            m_strError = std::move(strError);
            m_bFinished = bFinished;
        }
        m_cvReads.notify_one();
    }
}

ItemRead ItemReadAhead::Next() {
    if (m_taken.empty()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cvReads.wait(lock, [this] { return !m_batches.empty() || m_bFinished; });
        if (m_batches.empty()) {
            if (!m_strError.empty()) {
                CPLError(CE_Failure, CPLE_AppDefined, "reading ahead failed: %s",
                         m_strError.c_str());
                m_strError.clear();
            }
            ItemRead end;
            end.bEnd = true;
            return end;
        }
        m_taken = std::move(m_batches.front());
        m_batches.pop_front();
        for (ItemRead& read : m_used)
            m_spent.push_back(std::move(read));
        m_used.clear();
        lock.unlock();
        m_cvSpace.notify_one();
    }
    ItemRead read = std::move(m_taken.front());
    m_taken.pop_front();
    return read;
}

void ItemReadAhead::Recycle(ItemRead read) {
    m_used.push_back(std::move(read));
}

void ItemReadAhead::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cvSpace.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

}  // namespace mapgis
