// Directory watching with ReadDirectoryChangesW. The watcher's thread sleeps
// alertably: setting up the watch, the read completions and the stop all run
// on it as asynchronous procedure calls, so its requests need no lock.
#include "core/DirectoryWatcher.h"

#include "core/win32/WideText.h"

#include <windows.h>

#include <cstring>
#include <list>

namespace core {
namespace {

constexpr DWORD NotificationBufferSize = 16384;
constexpr DWORD WatchedChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;
constexpr DWORD StopWaitMilliseconds = 10000;

class Win32Watcher;
struct WatchRequest;

// What the watcher's thread works on. It outlives the watcher when that
// thread fails to stop in time, as the thread may still be using it.
struct Worker {
    explicit Worker(Win32Watcher* watcher) : owner(watcher) {}
    Win32Watcher* owner;
    volatile LONG activeRequests = 0;
    bool stopping = false;
    std::list<WatchRequest*> requests;
};

// One watched directory, from its opening until its reads end.
struct WatchRequest {
    Worker* worker = nullptr;
    std::string path;  // as the script gave it: changes are reported under it
    HANDLE directory = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    alignas(DWORD) char notifications[NotificationBufferSize] = {};
    alignas(DWORD) char copy[NotificationBufferSize] = {};
};

class Win32Watcher : public DirectoryWatcher {
public:
    explicit Win32Watcher(const std::string& path) : m_worker(new Worker(this)) {
        m_thread = CreateThread(nullptr, 0, &run, m_worker, 0, nullptr);
        if (!m_thread)
            return;
        auto* request = new WatchRequest;
        request->worker = m_worker;
        request->path = path;
        if (!QueueUserAPC(&add, m_thread, reinterpret_cast<ULONG_PTR>(request)))
            delete request;
    }

    ~Win32Watcher() override {
        if (m_thread) {
            QueueUserAPC(&stop, m_thread, reinterpret_cast<ULONG_PTR>(m_worker));
            bool ended = WaitForSingleObject(m_thread, StopWaitMilliseconds) == WAIT_OBJECT_0;
            CloseHandle(m_thread);
            if (!ended)
                return;
        }
        delete m_worker;
    }

private:
    static DWORD WINAPI run(void* parameter) {
        auto* worker = static_cast<Worker*>(parameter);
        while (worker->activeRequests > 0 || !worker->stopping)
            SleepEx(INFINITE, TRUE);
        return 0;
    }

    static void CALLBACK add(ULONG_PTR parameter) {
        auto* request = reinterpret_cast<WatchRequest*>(parameter);
        request->directory = CreateFileW(win32::widen(request->path).c_str(), FILE_LIST_DIRECTORY,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (request->directory == INVALID_HANDLE_VALUE) {
            delete request;
            return;
        }
        Worker* worker = request->worker;
        InterlockedIncrement(&worker->activeRequests);
        worker->requests.push_back(request);
        if (!read(*request)) {
            finish(request);
            return;
        }
        listSubfolders(win32::widen(request->path));
    }

    // Wine, which many players run Windows games through, watches the
    // subfolders of a tree only once they have been opened: listing the tree
    // once makes all of it watched. Windows itself needs no such listing.
    static void listSubfolders(const std::wstring& folder) {
        WIN32_FIND_DATAW entry;
        HANDLE listing = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                          FindExSearchLimitToDirectories, nullptr, 0);
        if (listing == INVALID_HANDLE_VALUE)
            return;
        do {
            bool folderEntry = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            // Links could lead round in a circle.
            bool link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            std::wstring name = entry.cFileName;
            if (folderEntry && !link && name != L"." && name != L"..")
                listSubfolders(folder + L"\\" + name);
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }

    static bool read(WatchRequest& request) {
        request.overlapped = OVERLAPPED{};
        request.overlapped.hEvent = &request;  // completion routines get no other context
        return ReadDirectoryChangesW(request.directory, request.notifications, NotificationBufferSize, TRUE,
                                     WatchedChanges, nullptr, &request.overlapped, &completed);
    }

    static void CALLBACK completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
        auto* request = static_cast<WatchRequest*>(overlapped->hEvent);
        // Aborted by the stop, or no bytes: the changes overflowed the buffer
        // and were lost. Either way this request asks for nothing more, and
        // it ends now, so that the thread can still stop.
        if (error != ERROR_SUCCESS || bytes == 0) {
            finish(request);
            return;
        }
        // The next read starts at once, so that changes made while these are
        // reported are not missed.
        memcpy(request->copy, request->notifications, bytes);
        bool reading = read(*request);
        const char* at = request->copy;
        for (;;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            request->worker->owner->report(static_cast<FileChange>(record->Action),
                                           changedFilePath(request->path, win32::narrow(name)));
            if (record->NextEntryOffset == 0)
                break;
            at += record->NextEntryOffset;
        }
        if (!reading)
            finish(request);
    }

    // Cancels every pending read; each completes as aborted and ends its request.
    static void CALLBACK stop(ULONG_PTR parameter) {
        auto* worker = reinterpret_cast<Worker*>(parameter);
        worker->stopping = true;
        for (WatchRequest* request : worker->requests) {
            CancelIo(request->directory);
            CloseHandle(request->directory);
            request->directory = INVALID_HANDLE_VALUE;
        }
    }

    static void finish(WatchRequest* request) {
        Worker* worker = request->worker;
        if (request->directory != INVALID_HANDLE_VALUE)
            CloseHandle(request->directory);
        worker->requests.remove(request);
        delete request;
        InterlockedDecrement(&worker->activeRequests);
    }

    Worker* m_worker;
    HANDLE m_thread = nullptr;
};

} // namespace

DirectoryWatcher* DirectoryWatcher::create(const std::string& path) {
    return new Win32Watcher(path);
}

} // namespace core
