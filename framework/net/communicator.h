#pragma once
// The page and file fetcher. A Communicator fetches one web page over
// HTTP/1.0 ("GET %s HTTP/1.0\n\n", raw reply kept whole) or one file over
// the upgrade service's line protocol (three greeting lines, "SIZE %s\n",
// the size line, "GET %s\n", exactly that many bytes), then says done. Its
// creator records a request, starts the worker thread (Runnable::start) and
// polls isDone/getResult from the GUI thread; `run` may also be called
// directly and then fetches on the calling thread.
//
// Lifetime: the GUI may delete a Communicator at any time. Deleted while
// its worker still fetches, it stops the fetch (every socket wait of the
// worker ends within a few milliseconds, as for the game protocol's
// thread) and waits for the worker's end, so no worker runs on past its
// Communicator, nor past main; what the fetch had received is dropped. The
// result belongs to the Communicator: getResult's pointer stays valid until
// the next request is recorded or started, or the Communicator is deleted.
// A Communicator set to delete itself (setAutoDelete) lets its thread end
// on its own once it has deleted itself.
//
// Hosts may carry ":port"; without it a page is asked on port 80 and a file
// on the file service's port of the configuration.
#include <atomic>
#include <memory>
#include <string>

#include "framework/util/runnable.h"

class Socket;
class Vector;

// Told when a fetch is over (on the thread that ran it).
class CommunicatorClient {
public:
    virtual ~CommunicatorClient();
    virtual void onCommunicatorResults(const char* requestName);
};

class Communicator : public Runnable {
public:
    // The largest file the file exchange accepts; a larger announced size
    // counts as a missing file.
    static constexpr long long kMaxFileBytes = 256LL * 1024 * 1024;
    // The longest URL accepted after "http://".
    static constexpr int kMaxUrlChars = 511;

    Communicator(CommunicatorClient* client, int lockFlag);
    ~Communicator() override;

    // Records a page request (copies of both texts) for `run`.
    void requestPage(const char* name, const char* url);
    // Records a file request for `run` (see setRequestPath).
    void recordFileRequest(const char* path, const char* firstHost, const char* secondHost);

    // Serves the recorded page request, then the recorded file request.
    void run() override;
    // The two exchanges, run on the calling thread.
    void getPage(const char* name, const char* url);
    void requestFile_sync(const char* path, const char* firstHost, const char* secondHost);

    // Disconnects and deletes a socket, with its log lines.
    static void killSocket(Socket* socket);
    void notifyClient();

    // The fetched page text or file bytes once done, else null.
    char* getResult();
    // The file's size once done with a result, else -1.
    int getResultLength();
    int isDone() const;

    // The time-out of each socket this Communicator opens (20 s unless set).
    void setSocketTimeout(int seconds, int microseconds);
    // When set, the object deletes itself at the end of `run`; its owner
    // must then never delete it.
    void setAutoDelete(int on);

    // The upgrade list's two string vectors, kept here by the upgrade list
    // holder. The list lines are owned (deleted with the Communicator); the
    // download list is only held (its user deletes it).
    Vector* listLines() const { return iListLines; }
    void setListLines(Vector* lines);
    Vector* downloadList() const { return iDownloadList; }
    void setDownloadList(Vector* list) { iDownloadList = list; }

    // The fetch states alive in the process: one per Communicator (for tests
    // and leak checks).
    static int liveStates();

    // Recorded requests, for tests and callers that show them.
    const char* pageUrl() const;
    const char* requestPath() const;
    const char* requestName() const;

    struct State;

private:
    std::shared_ptr<State> iState;
    Vector* iListLines = nullptr;
    Vector* iDownloadList = nullptr;
};

// Records a file request of the upgrade service in a Communicator: the path
// "vurnorvex_windows_1.01/<name>" and the two hosts (copied). Starts nothing.
void setRequestPath(Communicator* communicator, const char* name, const char* firstHost, const char* secondHost);

// The host of an "http://" URL (a name looked up and replaced by the dotted
// text of its last address; a ":port" kept), "." for a URL that begins with
// "."; empty when there is none, the look-up fails or the URL is too long.
std::string resolveUrl(const char* url);
// The path of an "http://" URL, from the first '/' after the host's first
// character; "/" when there is none or the URL is not "http://".
std::string urlPath(const char* url);
