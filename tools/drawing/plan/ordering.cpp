#include "drawing/plan/ordering.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "drawing/plan/ordering_improve.h"
#include "drawing/plan/ordering_points.h"

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;

// Work the improvement may do for each polyline (distances looked at, polylines moved): a few
// passes over their neighbours, as many as a drawing of hatch rows needs to settle.
constexpr size_t kWorkPerPolyline = 400;
// Below this many polylines in all a second thread costs more than it saves.
constexpr size_t kPolylinesForTwoThreads = 20000;

bool Closed(const Polyline& l) { return l.size() > 2 && l.back() == l.front(); }

// Places a polyline can be entered at: both ends of an open polyline, and every corner of a
// closed one (it can start anywhere on its loop).
std::vector<PointIndex::Entry> Entries(const std::vector<Polyline>& lines) {
    std::vector<PointIndex::Entry> entries;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& l = lines[i];
        const size_t last = l.size() - 1;
        const size_t step = Closed(l) ? 1 : std::max<size_t>(last, 1);
        for (size_t v = 0; v < (Closed(l) ? last : l.size()); v += step) {
            entries.push_back({l[v], static_cast<uint32_t>(i), static_cast<uint32_t>(v)});
        }
    }
    return entries;
}

// The polyline entered at `vertex`: an open one backwards from its end, a closed one round
// its loop from that corner back to it.
void EnterAt(std::vector<FieldPoint>* line, size_t vertex) {
    if (vertex == 0) return;
    if (!Closed(*line)) {
        std::reverse(line->begin(), line->end());
        return;
    }
    line->pop_back();
    std::rotate(line->begin(), line->begin() + long(vertex), line->end());
    line->push_back(line->front());
}

// Reorders the polylines by nearest neighbour; returns the index of their entries, holding
// from then on only both ends of each polyline in its new place (ends->entryOf).
PointIndex NearestNeighbour(std::vector<Polyline>* lines, FieldPoint start,
                            std::vector<uint32_t>* entryOf) {
    const std::vector<PointIndex::Entry> entries = Entries(*lines);
    // Where each polyline's entries begin, to take them all out once it is used.
    std::vector<uint32_t> firstEntry(lines->size() + 1, 0);
    for (const auto& e : entries) ++firstEntry[e.owner + 1];
    for (size_t i = 1; i < firstEntry.size(); ++i) firstEntry[i] += firstEntry[i - 1];
    PointIndex index(entries);
    std::vector<Polyline> ordered;
    ordered.reserve(lines->size());
    entryOf->clear();
    FieldPoint at = start;
    uint32_t beside = PointIndex::kNone, found = 0;
    while (index.Nearest(at, beside, PointIndex::kNone, 1, INT64_MAX, &found) == 1) {
        const PointIndex::Entry e = index.Given(found);
        for (uint32_t k = firstEntry[e.owner]; k < firstEntry[e.owner + 1]; ++k) index.Remove(k);
        std::vector<FieldPoint> line = std::move((*lines)[e.owner]);
        EnterAt(&line, e.tag);
        at = line.back();
        // The head stops at an entry of this polyline: the next question starts beside it.
        beside = Closed(line) ? found : e.tag == 0 ? found + 1 : found - 1;
        entryOf->push_back(found);
        entryOf->push_back(beside);
        ordered.push_back(std::move(line));
    }
    *lines = std::move(ordered);
    for (uint32_t k = 0; k < lines->size(); ++k) {
        index.Relabel((*entryOf)[2 * k + 1], k, 1);
        index.Relabel((*entryOf)[2 * k], k, 0);  // a loop's one entry: its first point
    }
    index.KeepOnly(*entryOf);
    return index;
}

// Sets in nearest-neighbour order wait here for their improvement, which needs nothing of the
// sets after them: a second thread improves one while the next is put in order.
class SetPipeline {
public:
    struct Set {
        std::vector<Polyline>* lines = nullptr;
        FieldPoint start;  // where its nearest-neighbour order started
        std::optional<PointIndex> index;
        PolylineEnds ends;
        bool keepLast = false;  // the next set starts where this one's last polyline ends
    };

    void Add(std::unique_ptr<Set> set) {
        const std::lock_guard<std::mutex> lock(mutex_);
        sets_.push_back(std::move(set));
        ready_.notify_one();
    }
    void Close() {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        ready_.notify_all();
    }
    // The next set to improve; null when every set is taken.
    Set* Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return next_ < sets_.size() || closed_; });
        return next_ < sets_.size() ? sets_[next_++].get() : nullptr;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::unique_ptr<Set>> sets_;
    size_t next_ = 0;
    bool closed_ = false;
};

void Improve(SetPipeline::Set* set, Clock::time_point deadline) {
    set->ends.index = &*set->index;
    ImproveLimits limits;
    limits.work = kWorkPerPolyline * set->lines->size();
    limits.deadline = deadline;
    limits.keepLast = set->keepLast;
    ImproveOrder(set->lines, set->start, set->ends, limits);
    set->index.reset();
}

// The second thread: improves sets as they come until the pipeline is closed. What it throws
// is thrown again by Join; left unjoined (the first thread threw), it is joined on the way out.
class Helper {
public:
    Helper(SetPipeline* pipeline, Clock::time_point deadline)
        : pipeline_(pipeline), thread_([this, deadline] {
              try {
                  while (SetPipeline::Set* set = pipeline_->Take()) Improve(set, deadline);
              } catch (...) {
                  error_ = std::current_exception();
              }
          }) {}
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    ~Helper() {
        if (!thread_.joinable()) return;
        pipeline_->Close();
        thread_.join();
    }

    void Join() {
        thread_.join();
        if (error_) std::rethrow_exception(error_);
    }

private:
    SetPipeline* pipeline_;
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace

double JumpTravel(const std::vector<Polyline>& lines, FieldPoint start) {
    double total = 0.0;
    FieldPoint at = start;
    for (const auto& line : lines) {
        total += std::sqrt(double(SquaredDistance(at, line.front())));
        at = line.back();
    }
    return total;
}

void OrderPolylineSets(const std::vector<std::vector<Polyline>*>& sets, FieldPoint start,
                       double seconds) {
    const Clock::time_point deadline =
        Clock::now() +
        std::chrono::microseconds(static_cast<long long>(std::clamp(seconds, 0.0, 1e6) * 1e6));
    size_t total = 0;
    for (const auto* set : sets) total += set->size();
    SetPipeline pipeline;
    const bool twoThreads = total >= kPolylinesForTwoThreads && sets.size() > 1;
    std::optional<Helper> helper;
    if (twoThreads) helper.emplace(&pipeline, deadline);
    FieldPoint at = start;
    size_t last = sets.size();
    while (last > 0 && sets[last - 1]->empty()) --last;
    for (size_t k = 0; k < last; ++k) {
        std::vector<Polyline>* lines = sets[k];
        if (lines->empty()) continue;
        auto set = std::make_unique<SetPipeline::Set>();
        set->lines = lines;
        set->start = at;
        set->index = NearestNeighbour(lines, at, &set->ends.entryOf);
        // On one thread the next set starts where this one ends once improved; on two, where
        // its nearest-neighbour order ends, which its improvement then keeps.
        set->keepLast = twoThreads && k + 1 < last;
        if (!twoThreads) Improve(set.get(), deadline);
        at = lines->back().back();
        if (twoThreads) pipeline.Add(std::move(set));
    }
    pipeline.Close();
    while (SetPipeline::Set* set = pipeline.Take()) Improve(set, deadline);
    if (helper) helper->Join();
}

void OrderPolylines(std::vector<Polyline>* lines, FieldPoint start, double seconds) {
    OrderPolylineSets({lines}, start, seconds);
}

}  // namespace txorb::drawing
