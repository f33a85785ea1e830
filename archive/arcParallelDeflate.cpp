#include "archive/arcParallelDeflate.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>
#include <zlib.h>

#include "platform/os/Process.h"

namespace archive {

namespace {

constexpr std::size_t kBlock = 128 * 1024;
constexpr std::size_t kDictionary = 32 * 1024;
constexpr int kMaxThreads = 64;

// One block on its way through: its input (the dictionary in front), and
// once a worker is done with it, its output and CRC.
struct Job {
    std::vector<uint8_t> input;
    std::size_t dictionary = 0;
    std::size_t length = 0;
    bool last = false;
    std::vector<uint8_t> output;
    uint32_t crc = 0;
    bool done = false;
    std::exception_ptr error;
};

// A stream whose position is the input consumed: what progress handlers read.
class InputCounter : public TStream32 {
public:
    int64_t Read(void*, int64_t) override { return -1; }
    int64_t Write(const void*, int64_t) override { return -1; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        return (Offset == 0 && Origin == soFromCurrent) ? consumed : -1;
    }
    int64_t consumed = 0;
};

// Deflates one job with a worker's own compressor.
void deflate_block(z_stream& z, Job& job) {
    if (::deflateReset(&z) != Z_OK) throw EStreamError("Deflate error");
    if (job.dictionary > 0 && ::deflateSetDictionary(&z, job.input.data(), static_cast<uInt>(job.dictionary)) != Z_OK)
        throw EStreamError("Deflate error");
    const uint8_t* in = job.input.data() + job.dictionary;
    job.crc = static_cast<uint32_t>(::crc32(0L, in, static_cast<uInt>(job.length)));
    // Room for the worst case and the flush markers; grown if ever short.
    job.output.resize(::deflateBound(&z, static_cast<uLong>(job.length)) + 64);
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(job.length);
    z.next_out = job.output.data();
    z.avail_out = static_cast<uInt>(job.output.size());
    const int flush = job.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        const int rc = ::deflate(&z, flush);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw EStreamError("Deflate error");
        const bool finished = job.last ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0);
        if (finished) break;
        const std::size_t used = job.output.size() - z.avail_out;
        job.output.resize(job.output.size() * 2);
        z.next_out = job.output.data() + used;
        z.avail_out = static_cast<uInt>(job.output.size() - used);
    }
    job.output.resize(job.output.size() - z.avail_out);
}

// Workers that deflate the jobs handed to them, each with one compressor.
class Workers {
public:
    Workers(int Count, int Level) {
        for (int i = 0; i < Count; ++i) threads_.emplace_back([this, Level] { Run(Level); });
    }
    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& t : threads_) t.join();
    }
    void Submit(Job& job) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job.done = false;
            job.error = nullptr;
            queue_.push_back(&job);
        }
        wake_.notify_one();
    }
    void Wait(Job& job) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&job] { return job.done; });
    }

private:
    void Run(int Level) {
        z_stream z;
        std::memset(&z, 0, sizeof z);
        const bool ready = ::deflateInit2(&z, Level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                if (queue_.empty()) break;
                job = queue_.front();
                queue_.pop_front();
            }
            try {
                if (!ready) throw EStreamError("Deflate initialisation failed");
                deflate_block(z, *job);
            } catch (...) {
                job->error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job->done = true;
            }
            done_.notify_all();
        }
        if (ready) ::deflateEnd(&z);
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job*> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

int AvailableThreads() { return os::available_processors(); }

bool ParallelDeflateStream(TStream32& Source, TStream32& Dest, const TStreamContext& Context, uint32_t& Crc,
                           TDeflateType Level, TStreamProgress Progress, int Threads) {
    const int threads = std::clamp(Threads, 1, kMaxThreads);
    auto cancelled = [&Context] { return Context.CancelFlag && *Context.CancelFlag; };
    Source.SetPosition(0);
    const int64_t total = Source.GetSize();
    const int64_t blocks = std::max<int64_t>(1, (total + static_cast<int64_t>(kBlock) - 1) / static_cast<int64_t>(kBlock));
    InputCounter counter;
    counter.ProgressHandler = std::move(Progress);

    // Two jobs per worker: one being deflated, one read and waiting.
    std::vector<Job> jobs(static_cast<std::size_t>(2 * threads));
    Workers workers(threads, DeflateLevel(Level));
    uLong crc = Context.CRC ^ 0xFFFFFFFFu;
    int64_t next_read = 0, next_write = 0;
    std::vector<uint8_t> encrypted;
    while (next_write < blocks) {
        while (next_read < blocks && next_read - next_write < static_cast<int64_t>(jobs.size()) && !cancelled()) {
            Job& job = jobs[static_cast<std::size_t>(next_read % static_cast<int64_t>(jobs.size()))];
            const int64_t start = next_read * static_cast<int64_t>(kBlock);
            job.length = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(kBlock), total - start));
            job.last = next_read == blocks - 1;
            // The dictionary is the tail of the block before, still in its job.
            job.dictionary = 0;
            job.input.resize(kDictionary + job.length);
            if (next_read > 0) {
                const Job& before =
                    jobs[static_cast<std::size_t>((next_read - 1) % static_cast<int64_t>(jobs.size()))];
                job.dictionary = std::min(kDictionary, before.length);
                std::memcpy(job.input.data(), before.input.data() + before.dictionary + before.length - job.dictionary,
                            job.dictionary);
            }
            job.input.resize(job.dictionary + job.length);
            Source.ReadBuffer(job.input.data() + job.dictionary, static_cast<int64_t>(job.length));
            workers.Submit(job);
            ++next_read;
        }
        if (next_write == next_read) break;  // cancelled before anything more was read
        Job& job = jobs[static_cast<std::size_t>(next_write % static_cast<int64_t>(jobs.size()))];
        workers.Wait(job);
        if (job.error) std::rethrow_exception(job.error);
        const uint8_t* out = job.output.data();
        if (Context.Encrypt && Context.Cipher) {
            encrypted.assign(job.output.begin(), job.output.end());
            Context.Cipher->Encrypt(encrypted.data(), encrypted.size());
            out = encrypted.data();
        }
        Dest.WriteBuffer(out, static_cast<int64_t>(job.output.size()));
        crc = ::crc32_combine(crc, job.crc, static_cast<z_off_t>(job.length));
        ++next_write;
        if (Context.BytesLeft) *Context.BytesLeft -= static_cast<double>(job.length);
        counter.consumed += static_cast<int64_t>(job.length);
        TStream32::DoStreamProgress(counter);
        if (cancelled()) {
            // Let the jobs in flight end before their buffers go.
            for (int64_t k = next_write; k < next_read; ++k)
                workers.Wait(jobs[static_cast<std::size_t>(k % static_cast<int64_t>(jobs.size()))]);
            break;
        }
    }
    if (!Context.Encrypt) Crc = static_cast<uint32_t>(crc);
    return !cancelled() && next_write == blocks;
}

}  // namespace archive
