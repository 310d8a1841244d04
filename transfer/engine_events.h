#pragma once

#include "transfer/fetch_types.h"
#include "transfer/progress_model.h"

#include <cstdint>
#include <string>
#include <variant>

namespace fetchly {

// The engine's events as values, so they can cross from its worker thread
// to the thread that shows them. Each carries what its event reports, and
// the file-done value also the item's result (TFetchItem::Done).
struct TFileStartEvent {
    int Ext = 0;
};
struct TProgressEvent {
    int Ext = 0;
    TFetchSize Size = 0;
    TFetchSize TotalSize = 0;
};
struct TFileDoneEvent {
    int Ext = 0;
    bool Done = false;
    // Of a completed download: its SHA-256 and first bytes (see
    // TFetchEngine::CurrentSha256), empty otherwise.
    std::string Sha256;
    std::string Head;
    // The file it wrote (CurrentTarget), and whether it found the file it
    // had finished before unchanged instead of fetching it.
    std::string Target;
    bool Unchanged = false;
    // The size on disk of a file found unchanged.
    TFetchSize UnchangedSize = 0;
};
// The entry (Ext) of the events below is -1 from a lone engine, whose
// events all concern its current item; with several items at once the
// scheduler's forwarding names it.
struct TURLNotFoundEvent {
    std::string Url;
    int Ext = -1;
};
struct TErrorInfoEvent {
    std::string Info;
    int Code = 0;
    // The failure in plain words (FailureInWords with CurrentReason).
    std::string Words;
    int Ext = -1;
};
struct TRetryEvent {
    int Retry = 0;
    int Retries = 0;
    int DelayMs = 0;
    std::string Info;
    int Ext = -1;
};
struct TRunDoneEvent {
    bool Cancelled = false;
};
// A lifecycle notice of the progress dialog's model.
struct TDialogNoticeEvent {
    TDialogChange Change = TDialogChange::Built;
    std::uint64_t Serial = 0;
};

using TEngineEvent = std::variant<TFileStartEvent, TProgressEvent, TFileDoneEvent, TURLNotFoundEvent,
                                  TErrorInfoEvent, TRetryEvent, TRunDoneEvent, TDialogNoticeEvent>;

} // namespace fetchly
