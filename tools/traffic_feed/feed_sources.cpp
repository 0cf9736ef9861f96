#include "traffic_feed/feed_sources.h"

#include "traffic_feed/injections.h"
#include "traffic_feed/traffic_line.h"

#include <algorithm>

namespace hlw::feed {

namespace {

constexpr double kCorpusSpacing = 0.05; // seconds between the datagrams of one injection
constexpr std::size_t kOversizeBytes = 16384;

class FlightSource final : public FeedSource {
public:
    explicit FlightSource(FlightSpec spec) : spec_(std::move(spec)), next_(spec_.startTime) {}

    double nextTime() const override { return next_; }
    bool openEnded() const override { return !spec_.endTime && !hasFiniteLegs(); }

    void fire(FeedContext& context) override
    {
        if (!path_) {
            path_.emplace(spec_, context.centre());
        } else {
            path_->advance(next_ - last_);
        }
        last_ = next_;
        if (path_->finished() || (spec_.endTime && next_ > *spec_.endTime)) {
            next_ = kNever;
            return;
        }
        if (!inGap(next_)) {
            send(context);
        }
        ++fired_;
        next_ = fired_ < spec_.sampleTimes.size() ? spec_.startTime + spec_.sampleTimes[fired_]
                                                  : next_ + chooseInterval(context.random());
    }

private:
    bool inGap(double time) const
    {
        return std::any_of(spec_.gaps.begin(), spec_.gaps.end(),
                           [time](const auto& gap) { return time >= gap.first && time < gap.second; });
    }

    void send(FeedContext& context)
    {
        AircraftState state = path_->state();
        if (spec_.speedLagSeconds > 0.0) {
            state.groundSpeedKt = laggedSpeedKt(context);
        }
        if (spec_.noiseMetres > 0.0) {
            const double bearing = std::uniform_real_distribution<double>(0.0, 360.0)(context.random());
            const double metres = std::uniform_real_distribution<double>(0.0, spec_.noiseMetres)(context.random());
            state.position = gf_destination(state.position, bearing, metres / 1852.0);
        }
        const double stamp = context.stampNow();
        const std::string line = gf_formatTrafficLine(spec_.identity, state, stamp);
        ++samples_;
        if (spec_.lateEvery > 0 && samples_ % spec_.lateEvery == 0) {
            heldBack_ = line;
        } else {
            context.sendTraffic(line);
            if (heldBack_) {
                context.sendTraffic(*heldBack_);
                heldBack_.reset();
            }
        }
        if (spec_.duplicateEvery > 0 && samples_ % spec_.duplicateEvery == 0) {
            context.sendTraffic(line);
        }
        if (spec_.twinHexId) {
            AircraftIdentity twin = spec_.identity;
            twin.hexId = *spec_.twinHexId;
            context.sendTraffic(gf_formatTrafficLine(twin, state, stamp));
        }
    }

    // The ground speed of the flight speedLagSeconds (up to speedLagMaxSeconds) before this sample (its first one
    // before then; never older than that of the sample before).
    double laggedSpeedKt(FeedContext& context)
    {
        if (!lagged_) {
            lagged_.emplace(spec_, context.centre());
            laggedTime_ = spec_.startTime;
        }
        double lag = spec_.speedLagSeconds;
        if (spec_.speedLagMaxSeconds > lag) {
            lag = std::uniform_real_distribution<double>(lag, spec_.speedLagMaxSeconds)(context.random());
        }
        const double time = next_ - lag;
        if (time > laggedTime_) {
            lagged_->advance(time - laggedTime_);
            laggedTime_ = time;
        }
        return lagged_->state().groundSpeedKt;
    }

    bool hasFiniteLegs() const
    {
        return !spec_.legs.empty() &&
               std::none_of(spec_.legs.begin(), spec_.legs.end(),
                            [](const Leg& leg) { return leg.kind == LegKind::fly && leg.seconds >= 1e6; });
    }

    // A drawn interval, raised so that the program accepts the next sample: the state at the end of the
    // interval decides, since the receiver compares with the new sample's speed.
    double chooseInterval(std::mt19937& random) const
    {
        double interval = spec_.intervalMin;
        if (spec_.intervalMax > spec_.intervalMin) {
            interval = std::uniform_real_distribution<double>(spec_.intervalMin, spec_.intervalMax)(random);
        }
        for (int round = 0; round < 3; ++round) {
            FlightPath ahead = *path_;
            ahead.advance(interval);
            const double needed = std::max(gf_minimumSampleInterval(ahead.state()),
                                           gf_minimumSampleInterval(path_->state()));
            if (interval >= needed) {
                break;
            }
            interval = needed;
        }
        return interval;
    }

    FlightSpec spec_;
    std::optional<FlightPath> path_;
    std::optional<FlightPath> lagged_;
    double laggedTime_ = 0.0;
    int samples_ = 0;
    std::size_t fired_ = 0;
    std::optional<std::string> heldBack_;
    double next_;
    double last_ = 0.0;
};

class QnhSource final : public FeedSource {
public:
    explicit QnhSource(QnhSchedule schedule) : schedule_(std::move(schedule)), next_(schedule_.start) {}

    double nextTime() const override { return next_; }
    bool openEnded() const override { return !schedule_.end; }

    void fire(FeedContext& context) override
    {
        context.sendQnh(gf_qnhDatagram(schedule_.values[index_ % schedule_.values.size()]));
        ++index_;
        next_ += schedule_.every;
        if (schedule_.end && next_ > *schedule_.end) {
            next_ = kNever;
        }
    }

private:
    QnhSchedule schedule_;
    double next_;
    std::size_t index_ = 0;
};

// The datagrams of an injection are built when it starts (so that they carry the current timestamp and centre)
// and then sent one after the other.
class InjectionSource final : public FeedSource {
public:
    explicit InjectionSource(Injection injection) : injection_(injection), next_(injection.at) {}

    double nextTime() const override { return next_; }
    bool openEnded() const override { return false; }

    void fire(FeedContext& context) override
    {
        if (!started_) {
            start(context);
            started_ = true;
        }
        if (sent_ < datagrams_.size()) {
            const auto& [toQnh, text] = datagrams_[sent_++];
            toQnh ? context.sendQnh(text) : context.sendTraffic(text);
        }
        next_ = sent_ < datagrams_.size() ? next_ + spacing_ : kNever;
    }

private:
    void start(FeedContext& context)
    {
        const GeoPoint centre = context.centre();
        const double stamp = context.stampNow();
        spacing_ = kCorpusSpacing;
        switch (injection_.kind) {
        case InjectKind::bad:
            for (std::string& line : gf_badTrafficLines(centre, stamp)) {
                datagrams_.emplace_back(false, std::move(line));
            }
            break;
        case InjectKind::veh:
            datagrams_.emplace_back(false, gf_vehicleLine(centre, stamp));
            break;
        case InjectKind::oversize:
            datagrams_.emplace_back(false, gf_oversizeLine(centre, stamp, kOversizeBytes));
            break;
        case InjectKind::qnhVariants:
            for (std::string& text : gf_qnhVariantDatagrams()) {
                datagrams_.emplace_back(true, std::move(text));
            }
            break;
        case InjectKind::duplicate:
            // Copies of the last traffic datagram, back to back.
            spacing_ = 0.0;
            if (!context.lastTrafficLine().empty()) {
                datagrams_.assign(static_cast<std::size_t>(injection_.count), {false, context.lastTrafficLine()});
            }
            break;
        case InjectKind::burst:
            spacing_ = injection_.within / injection_.count;
            for (int i = 0; i < injection_.count; ++i) {
                datagrams_.emplace_back(false, gf_burstLine(i, centre, stamp));
            }
            break;
        }
    }

    Injection injection_;
    double next_;
    double spacing_ = kCorpusSpacing;
    bool started_ = false;
    std::size_t sent_ = 0;
    std::vector<std::pair<bool, std::string>> datagrams_;
};

class RecordSource final : public FeedSource {
public:
    explicit RecordSource(std::vector<RecordedDatagram> records) : records_(std::move(records))
    {
        std::stable_sort(records_.begin(), records_.end(),
                         [](const RecordedDatagram& a, const RecordedDatagram& b) { return a.offset < b.offset; });
    }

    double nextTime() const override { return index_ < records_.size() ? records_[index_].offset : kNever; }
    bool openEnded() const override { return false; }

    void fire(FeedContext& context) override
    {
        const RecordedDatagram& record = records_[index_++];
        if (record.port == RecordPort::qnh) {
            context.sendQnh(record.text);
        } else {
            context.sendTraffic(context.restampRecords() ? gf_restampLine(record.text, context.stampNow())
                                                         : record.text);
        }
    }

private:
    std::vector<RecordedDatagram> records_;
    std::size_t index_ = 0;
};

} // namespace

std::unique_ptr<FeedSource> gf_makeFlightSource(FlightSpec spec)
{
    return std::make_unique<FlightSource>(std::move(spec));
}

std::unique_ptr<FeedSource> gf_makeQnhSource(QnhSchedule schedule)
{
    return std::make_unique<QnhSource>(std::move(schedule));
}

std::unique_ptr<FeedSource> gf_makeInjectionSource(Injection injection)
{
    return std::make_unique<InjectionSource>(injection);
}

std::unique_ptr<FeedSource> gf_makeRecordSource(std::vector<RecordedDatagram> records)
{
    return std::make_unique<RecordSource>(std::move(records));
}

} // namespace hlw::feed
