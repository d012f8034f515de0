// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/filesource.h"
#include "plaintext/textbuffer.h"

#include <memory>
#include <mutex>
#include <vector>

// The text of a file found so far while its scan runs: the scan hands in the spans it has done
// from the text's start, a block at a time, and the window takes what came since it last looked
// whenever it likes (a timer), so the pane's text grows with the scan without a signal per span.
// Safe between one scanning thread and one taker.
class ScanGrowth
{
public:
    // The scan begins, reading the text's spans from file. A new start (the text is read again,
    // in another encoding) drops what was found before: the next take() says so.
    void start(std::shared_ptr<const FileSource> file);
    // Spans found in order, following those handed in before.
    void add(const FileSource::Span *spans, size_t count);
    // No more spans come: the whole text is about to be given at once.
    void stop();

    // What the text found so far is, against what the taker has: More adds text after it,
    // Restart replaces it.
    enum class Taken { Nothing, More, Restart };
    // Moves the spans handed in since the last call into text, as file spans.
    Taken take(TextBuffer &text);

private:
    std::mutex m_lock;
    std::shared_ptr<const FileSource> m_file;
    std::vector<FileSource::Span> m_waiting;
    bool m_restarted = false;
    bool m_stopped = false;
};
