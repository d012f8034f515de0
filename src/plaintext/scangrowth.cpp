// SPDX-License-Identifier: GPL-3.0-or-later
#include "scangrowth.h"

#include <utility>

void ScanGrowth::start(std::shared_ptr<const FileSource> file)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_stopped)
        return;
    m_restarted = bool(m_file) || m_restarted;
    m_file = std::move(file);
    m_waiting.clear();
}

void ScanGrowth::add(const FileSource::Span *spans, size_t count)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_stopped || !m_file)
        return;
    m_waiting.insert(m_waiting.end(), spans, spans + count);
}

void ScanGrowth::stop()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_stopped = true;
    m_waiting.clear();
    m_waiting.shrink_to_fit();
}

ScanGrowth::Taken ScanGrowth::take(TextBuffer &text)
{
    std::vector<FileSource::Span> spans;
    std::shared_ptr<const FileSource> file;
    bool restarted = false;
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        spans.swap(m_waiting);
        file = m_file;
        restarted = std::exchange(m_restarted, false);
    }
    if (restarted)
        text.clear();
    if (!spans.empty())
        text.appendFileSpans(std::move(file), spans);
    return restarted ? Taken::Restart : spans.empty() ? Taken::Nothing : Taken::More;
}
