#include "sandbox/recorder.h"

#include <algorithm>

#include "sandbox/text_codec.h"

namespace sandbox {
namespace {

void AppendField(std::string& line, const std::string& name, const std::string& value) {
    if (!line.empty())
        line += '\t';
    line += name;
    line += '=';
    line += PercentEncode(value);
}

std::string RecordLine(const Record& record) {
    std::string line = "seq=" + std::to_string(record.seq);
    AppendField(line, "kind", record.kind);
    AppendField(line, "key", record.key);
    AppendField(line, "method", record.method);
    AppendField(line, "target", record.target);
    AppendField(line, "local", record.local);
    AppendField(line, "body", record.body);
    for (const auto& [name, value] : record.headers)
        AppendField(line, "header." + name, value);
    for (const auto& [name, value] : record.notes)
        AppendField(line, "note." + name, value);
    for (const auto& url : record.urls)
        AppendField(line, "url", url);
    return line + "\n";
}

}  // namespace

long long Recorder::Add(Record record) {
    std::lock_guard lock(mutex_);
    const long long count = ++counts_[{record.kind, record.key}];
    record.seq = nextSeq_++;
    auto& list = records_[record.kind];
    if (list.size() < kMaxRecordsPerKind)
        list.push_back(std::move(record));
    return count;
}

void Recorder::Reset() {
    std::lock_guard lock(mutex_);
    records_.clear();
    counts_.clear();
    nextSeq_ = 1;
}

long long Recorder::Count(const std::string& kind, const std::string& key) const {
    std::lock_guard lock(mutex_);
    long long total = 0;
    for (const auto& [id, count] : counts_) {
        if (id.first == kind && (key.empty() || id.second == key))
            total += count;
    }
    return total;
}

std::string Recorder::RecordsText(const std::string& kind) const {
    std::lock_guard lock(mutex_);
    std::vector<const Record*> chosen;
    for (const auto& [name, list] : records_) {
        if (!kind.empty() && name != kind)
            continue;
        for (const Record& record : list)
            chosen.push_back(&record);
    }
    std::sort(chosen.begin(), chosen.end(),
              [](const Record* a, const Record* b) { return a->seq < b->seq; });
    std::string text;
    for (const Record* record : chosen)
        text += RecordLine(*record);
    return text;
}

std::string Recorder::CountsText() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const auto& [id, count] : counts_) {
        text += id.first + "\t" + PercentEncode(id.second) + "\t" + std::to_string(count) + "\n";
    }
    return text;
}

}  // namespace sandbox
