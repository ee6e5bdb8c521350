// The jobs of an archive's workers, over a Unix socket of packets.
#include "archive/WorkerJobs.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace mapgis_import {

namespace {

constexpr int kJobFds = 2;  // the report's and the messages'

ssize_t Received(int nSocket, msghdr* pMessage, int nFlags) {
    ssize_t n;
    do {
        n = recvmsg(nSocket, pMessage, nFlags);
    } while (n < 0 && errno == EINTR);
    return n;
}

// A message of one buffer, the packet, with room for the job's descriptors.
struct JobMessage {
    explicit JobMessage(std::string* pstrPacket) : iov{&(*pstrPacket)[0], pstrPacket->size()} {
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        message.msg_control = acControl;
        message.msg_controllen = sizeof(acControl);
    }
    JobMessage(const JobMessage&) = delete;
    JobMessage& operator=(const JobMessage&) = delete;

    iovec iov;
    alignas(cmsghdr) char acControl[CMSG_SPACE(sizeof(int) * kJobFds)] = {};
    msghdr message{};
};

}  // namespace

// One packet: the arguments, each ended by a NUL, and the two descriptors beside them.
bool SendJob(int nSocket, const WorkerJob& job) {
    std::string strPacket;
    for (const std::string& strArg : job.argv)
        strPacket.append(strArg.c_str(), strArg.size() + 1);
    JobMessage packet(&strPacket);
    msghdr& message = packet.message;
    cmsghdr* pHeader = CMSG_FIRSTHDR(&message);
    pHeader->cmsg_level = SOL_SOCKET;
    pHeader->cmsg_type = SCM_RIGHTS;
    pHeader->cmsg_len = CMSG_LEN(sizeof(int) * kJobFds);
    const int anFds[kJobFds] = {job.nReportFd, job.nErrorsFd};
    std::memcpy(CMSG_DATA(pHeader), anFds, sizeof(anFds));
    ssize_t n;
    do {
        n = sendmsg(nSocket, &message, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(strPacket.size());
}

bool ReceiveJob(int nSocket, WorkerJob* pJob) {
    msghdr peek{};
    const ssize_t nSize = Received(nSocket, &peek, MSG_PEEK | MSG_TRUNC);
    if (nSize <= 0)
        return false;
    std::string strPacket(static_cast<size_t>(nSize), '\0');
    JobMessage packet(&strPacket);
    msghdr& message = packet.message;
    if (Received(nSocket, &message, MSG_CMSG_CLOEXEC) != nSize)
        return false;
    const cmsghdr* pHeader = CMSG_FIRSTHDR(&message);
    if (pHeader == nullptr || pHeader->cmsg_type != SCM_RIGHTS ||
        pHeader->cmsg_len != CMSG_LEN(sizeof(int) * kJobFds))
        return false;
    int anFds[kJobFds];
    std::memcpy(anFds, CMSG_DATA(pHeader), sizeof(anFds));
    pJob->nReportFd = anFds[0];
    pJob->nErrorsFd = anFds[1];
    pJob->argv.clear();
    for (size_t nFrom = 0; nFrom < strPacket.size();) {
        pJob->argv.emplace_back(strPacket.c_str() + nFrom);
        nFrom += pJob->argv.back().size() + 1;
    }
    return true;
}

bool SendStatus(int nSocket, int nStatus) {
    ssize_t n;
    do {
        n = send(nSocket, &nStatus, sizeof(nStatus), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof(nStatus));
}

bool ReceiveStatus(int nSocket, int* pnStatus) {
    ssize_t n;
    do {
        n = recv(nSocket, pnStatus, sizeof(*pnStatus), 0);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof(*pnStatus));
}

}  // namespace mapgis_import
