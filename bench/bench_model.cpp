// Playback step and composition per part, and the choreography file against
// plain file I/O of the same bytes.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "files/modfile.h"
#include "playback/anime.h"
#include "ratio.h"

namespace {

// A motion set of `parts` parts, four children to a part (depth at most 8 for
// 10,000 parts), every slot of every part posed.
void BuildTree(int parts) {
    std::memset(static_cast<void*>(&Cha), 0, sizeof Cha);
    GameInit(&Cha);
    std::vector<MOTIONOBJ*> all{Cha.pTop};
    std::vector<MOTIONOBJ*> last(size_t(parts), nullptr);
    for (int i = 1; i < parts; ++i) {
        const size_t up = size_t(i - 1) / 4;
        MOTIONOBJ* parent = all[up];
        MOTIONOBJ* n;
        if (MOTIONOBJ* prev = last[up]) {
            prev->NextIsSibling = 1;
            OBJInit(prev, "part");
            prev->NextIsSibling = 0;
            n = prev->pNext;
        } else {
            OBJInit(parent, "part");
            n = parent->pChild;
        }
        last[up] = n;
        all.push_back(n);
    }
    for (MOTIONOBJ* p : all)
        for (int s = 0; s < kSlotCount; ++s) {
            D3DXMatrixRotationYawPitchRoll(&p->mSlotRot[s], 0.01f * s, 0.02f * s, 0.03f * s);
            p->vSlotOffset[s] = D3DXVECTOR3(0.1f * s, 1, 0);
        }
}

void FreeAll() { FreeTree(&Cha, nullptr, nullptr); }

void BM_AnimeStep(benchmark::State& state) {
    const int parts = int(state.range(0));
    BuildTree(parts);
    Btflg = 2;
    AnimeFramePlus = 0.05f;
    Cha.StartNo = 0;
    Cha.EndNo = 199;
    Cha.StartReq = 1;
    for (auto _ : state) {
        Anime(&Cha);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_part"] = benchmark::Counter(double(state.iterations()) * parts,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    FreeAll();
}
BENCHMARK(BM_AnimeStep)->Arg(18)->Arg(200)->Arg(10000);

void BM_Compose(benchmark::State& state) {
    const int parts = int(state.range(0));
    BuildTree(parts);
    for (MOTIONOBJ* p = Cha.pTop; p; p = NextInWalk(p, Cha.pTop)) {
        D3DXMatrixRotationX(&p->mRot, 0.1f);
        p->vOffset = D3DXVECTOR3(0, 1, 0);
    }
    for (auto _ : state) {
        Trans(Cha.pTop, Cha.pTop);
        Gousei(Cha.pTop, Cha.pTop);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_part"] = benchmark::Counter(double(state.iterations()) * parts,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    FreeAll();
}
BENCHMARK(BM_Compose)->Arg(18)->Arg(200)->Arg(10000);

QString BenchFile(const char* name) { return QDir::temp().filePath(QString::fromLatin1(name)); }

void BM_FileLoad(benchmark::State& state) {
    BuildTree(200);
    const QString path = BenchFile("kav-bench-load.mod");
    QString why;
    WriteFileAtomically(path, ModBuild(&Cha, Cha.pTop), &why);
    ModSkipMeshes view;
    for (auto _ : state) {
        const ModLoadResult r = ModReadFile(path, &Cha, &view);
        benchmark::DoNotOptimize(r.error);
    }
    FreeAll();
}
BENCHMARK(BM_FileLoad)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
    BuildTree(200);
    const QString path = BenchFile("kav-bench-load.mod");
    QString why;
    WriteFileAtomically(path, ModBuild(&Cha, Cha.pTop), &why);
    FreeAll();
    const QByteArray name = QFile::encodeName(path);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        struct stat st;
        ::fstat(fd, &st);
        auto buf = std::make_unique_for_overwrite<char[]>(size_t(st.st_size));
        benchmark::DoNotOptimize(::read(fd, buf.get(), size_t(st.st_size)));
        ::close(fd);
        benchmark::DoNotOptimize(buf.get());
    }
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_FileSave(benchmark::State& state) {
    BuildTree(200);
    const QString path = BenchFile("kav-bench-save.mod");
    for (auto _ : state) {
        QString why;
        WriteFileAtomically(path, ModBuild(&Cha, Cha.pTop), &why);
    }
    FreeAll();
}
BENCHMARK(BM_FileSave)->Unit(benchmark::kMillisecond);

// The same bytes written once and flushed to disk, with no temporary file.
void BM_PlainDurableWrite(benchmark::State& state) {
    BuildTree(200);
    const std::string bytes = ModBuild(&Cha, Cha.pTop);
    FreeAll();
    const QByteArray path = QFile::encodeName(BenchFile("kav-bench-plain.mod"));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::fsync(fd);
        ::close(fd);
    }
}
BENCHMARK(BM_PlainDurableWrite)->Unit(benchmark::kMillisecond);

const bool kRatios = [] {
    RegisterRatio("BM_FileLoad", "BM_PlainRead", 2.0);
    RegisterRatio("BM_FileSave", "BM_PlainDurableWrite", 2.0);
    return true;
}();

}  // namespace
