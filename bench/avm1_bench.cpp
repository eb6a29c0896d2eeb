// Prints speed and memory figures of the ActionScript machine next to node run as a plain
// interpreter (`node --jitless`), never asserting on time. Each program is byte code laid out
// as a Flash 8 compiler emits it (DefineFunction2 with register parameters and locals) and a
// JavaScript twin doing the same work (bench/avm1/*.js). Frame 1 of a program's movie defines
// its functions; each later frame runs one phase and traces its result, and only the advance()
// that runs the phase is timed. The JavaScript prints its own phase times, so node's start-up
// is left out too. Results of both sides are compared.
//
// Memory: a 30 fps movie making 3,334 objects a frame (100,000 a second), each dropped the next
// frame, some in cycles with a clip, played for 1,800 frames in a fresh process.
//
// Usage: avm1_bench [--js DIR] [--node CMD] [--repeat N] [--only NAME|memory] [--no-memory] [--dump DIR]
// Pin it for steadier figures: taskset -c 1 avm1_bench (node inherits the pinning).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "avm1_asm.h"
#include "swf/avm1/runtime.h"
#include "swf/player.h"

#ifndef AVM1_BENCH_JS_DIR
#define AVM1_BENCH_JS_DIR "bench/avm1"
#endif

namespace {

using namespace avm1asm;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// CPU time of this process (user + system) in ms: steadier than wall time on a busy machine.
double cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// A program whose first run takes longer than this is not run again.
constexpr double kOnceAfterMs = 20000;

// Flags of a function that needs neither `this`, `arguments` nor `super`.
constexpr uint16_t kPlain = SuppressThis | SuppressArguments | SuppressSuper;

struct Program {
    std::string name;                 // also the JavaScript file's name
    std::vector<std::string> phases;  // one frame each, after the set-up frame
    Bytes swf;
};

// Frame 1: the pool and the functions. Frame k+1: `trace(phases[k]());`, the last one stops.
Program make_program(const std::string& name, const std::vector<std::string>& phases, Pool& pool, const Asm& functions) {
    std::vector<std::vector<Bytes>> frames;
    Asm setup;
    setup.pool(pool.names).raw(functions.bytes()).op(End);
    frames.push_back({setup.bytes()});
    for (size_t i = 0; i < phases.size(); ++i) {
        Asm run;
        run.pool({phases[i]}).push({0, C{0}}).op(CallFunction).op(Trace);
        if (i + 1 == phases.size()) run.op(Stop);
        run.op(End);
        frames.push_back({run.bytes()});
    }
    return {name, phases, movie(frames)};
}

// function numeric() { var s = 0; for (var i = 0; i < 3000000; i++) s += i * i % 7; return s; }
Program numeric() {
    Pool P;
    Asm fns, b;
    const uint8_t s = 1, i = 2;
    b.push({0}).set_reg(s);
    for_loop(b, i, 0, 3000000, [&] {
        b.push({R{s}, R{i}, R{i}}).op(Multiply).push({7}).op(Modulo).op(Add2).set_reg(s);
    });
    b.push({R{s}}).op(Return);
    fns.function2("numeric", {}, 3, kPlain, b);
    return make_program("numeric", {"numeric"}, P, fns);
}

// function concat() { var s = ""; for (var i = 0; i < 200000; i++) s += "k" + i; return s.length; }
// function num2str() { var t = 0; for (var i = 0; i < 200000; i++) t += String(i / 8).length; return t; }
Program strings() {
    Pool P;
    Asm fns;
    {
        Asm b;
        const uint8_t s = 1, i = 2;
        b.push({P("")}).set_reg(s);
        for_loop(b, i, 0, 200000, [&] { b.push({R{s}, P("k"), R{i}}).op(Add2).op(Add2).set_reg(s); });
        b.push({R{s}, P("length")}).op(GetMember).op(Return);
        fns.function2("concat", {}, 3, kPlain, b);
    }
    {
        Asm b;
        const uint8_t t = 1, i = 2;
        b.push({0}).set_reg(t);
        for_loop(b, i, 0, 200000, [&] {
            b.push({R{t}, R{i}, 8}).op(Divide).push({1, P("String")}).op(CallFunction);
            b.push({P("length")}).op(GetMember).op(Add2).set_reg(t);
        });
        b.push({R{t}}).op(Return);
        fns.function2("num2str", {}, 3, kPlain, b);
    }
    return make_program("strings", {"concat", "num2str"}, P, fns);
}

// function push() { var a = []; var seed = 12345;
//   for (var i = 0; i < 300000; i++) { seed = seed * 16807 % 2147483647; a.push(seed % 100000); }
//   _root.data = a; return a.length; }
// function sortCmp() { var b = _root.data.slice(0, 100000); b.sort(function (x, y) { return x - y; });
//   return b[0] + "," + b[99999]; }
// function sortNumeric() { var c = _root.data.slice(100000, 200000); c.sort(Array.NUMERIC);
//   return c[0] + "," + c[99999]; }
Program arrays() {
    Pool P;
    Asm fns;
    const uint16_t root = PreloadRoot | kPlain;
    {
        Asm b;
        const uint8_t r = 1, a = 2, seed = 3, i = 4;
        b.push({0}).op(InitArray).set_reg(a);
        b.push({12345}).set_reg(seed);
        for_loop(b, i, 0, 300000, [&] {
            b.push({R{seed}, 16807}).op(Multiply).push({2147483647}).op(Modulo).set_reg(seed);
            b.push({R{seed}, 100000}).op(Modulo).push({1, R{a}, P("push")}).op(CallMethod).op(Pop);
        });
        b.push({R{r}, P("data"), R{a}}).op(SetMember);
        b.push({R{a}, P("length")}).op(GetMember).op(Return);
        fns.function2("push", {}, 5, root, b);
    }
    auto ends = [&](Asm& b, uint8_t reg) {
        b.push({R{reg}, 0}).op(GetMember).push({P(",")}).op(Add2);
        b.push({R{reg}, 99999}).op(GetMember).op(Add2).op(Return);
    };
    {
        Asm b, cmp;
        const uint8_t r = 1, arr = 2;
        b.push({100000, 0, 2, R{r}, P("data")}).op(GetMember).push({P("slice")}).op(CallMethod).set_reg(arr);
        cmp.push({R{1}, R{2}}).op(Subtract).op(Return);
        b.function2("", {{1, "x"}, {2, "y"}}, 3, kPlain, cmp);
        b.push({1, R{arr}, P("sort")}).op(CallMethod).op(Pop);
        ends(b, arr);
        fns.function2("sortCmp", {}, 3, root, b);
    }
    {
        Asm b;
        const uint8_t r = 1, arr = 2;
        b.push({200000, 100000, 2, R{r}, P("data")}).op(GetMember).push({P("slice")}).op(CallMethod).set_reg(arr);
        b.push({P("Array")}).op(GetVariable).push({P("NUMERIC")}).op(GetMember);
        b.push({1, R{arr}, P("sort")}).op(CallMethod).op(Pop);
        ends(b, arr);
        fns.function2("sortNumeric", {}, 3, root, b);
    }
    return make_program("arrays", {"push", "sortCmp", "sortNumeric"}, P, fns);
}

// function props() { var a = {x: 0, y: 1, vx: 2, vy: 3, hp: 100}, b = {...}, c = {...};
//   var objs = [a, b, c];
//   for (var i = 0; i < 1000000; i++) { var o = objs[i % 3]; o.x = o.vx + i; }
//   return a.x + b.x + c.x; }
Program props() {
    Pool P;
    Asm fns, b;
    const uint8_t a = 1, bb = 2, c = 3, objs = 4, i = 5, o = 6;
    const int init[3][4] = {{1, 2, 3, 100}, {4, 5, 6, 100}, {7, 8, 9, 100}};
    for (int k = 0; k < 3; ++k) {
        b.push({P("x"), 0, P("y"), init[k][0], P("vx"), init[k][1], P("vy"), init[k][2], P("hp"), init[k][3], 5});
        b.op(InitObject).set_reg(uint8_t(a + k));
    }
    b.push({R{c}, R{bb}, R{a}, 3}).op(InitArray).set_reg(objs);
    for_loop(b, i, 0, 1000000, [&] {
        b.push({R{objs}, R{i}, 3}).op(Modulo).op(GetMember).set_reg(o);
        b.push({R{o}, P("x"), R{o}, P("vx")}).op(GetMember).push({R{i}}).op(Add2).op(SetMember);
    });
    b.push({R{a}, P("x")}).op(GetMember).push({R{bb}, P("x")}).op(GetMember).op(Add2);
    b.push({R{c}, P("x")}).op(GetMember).op(Add2).op(Return);
    fns.function2("props", {}, 7, kPlain, b);
    return make_program("props", {"props"}, P, fns);
}

// function add(a, b) { return a + b; }
// function calls() { var s = 0; for (var i = 0; i < 2000000; i++) s = add(s, i & 3); return s; }
// function methods() { var o = {n: 1}; o.add = function (a, b) { return a + b + this.n; };
//   var s = 0; for (var i = 0; i < 2000000; i++) s = o.add(s, i & 3); return s; }
Program calls() {
    Pool P;
    Asm fns;
    {
        Asm b;
        b.push({R{1}, R{2}}).op(Add2).op(Return);
        fns.function2("add", {{1, "a"}, {2, "b"}}, 3, kPlain, b);
    }
    {
        Asm b;
        const uint8_t s = 1, i = 2;
        b.push({0}).set_reg(s);
        for_loop(b, i, 0, 2000000, [&] {
            b.push({R{i}, 3}).op(BitAnd).push({R{s}, 2, P("add")}).op(CallFunction).set_reg(s);
        });
        b.push({R{s}}).op(Return);
        fns.function2("calls", {}, 3, kPlain, b);
    }
    {
        Asm b, m;
        const uint8_t o = 1, s = 2, i = 3;
        b.push({P("n"), 1, 1}).op(InitObject).set_reg(o);
        // this in r1, a in r2, b in r3.
        m.push({R{2}, R{3}}).op(Add2).push({R{1}, P("n")}).op(GetMember).op(Add2).op(Return);
        b.push({R{o}, P("add")});
        b.function2("", {{2, "a"}, {3, "b"}}, 4, PreloadThis | SuppressArguments | SuppressSuper, m);
        b.op(SetMember);
        b.push({0}).set_reg(s);
        for_loop(b, i, 0, 2000000, [&] {
            b.push({R{i}, 3}).op(BitAnd).push({R{s}, 2, R{o}, P("add")}).op(CallMethod).set_reg(s);
        });
        b.push({R{s}}).op(Return);
        fns.function2("methods", {}, 4, kPlain, b);
    }
    return make_program("calls", {"calls", "methods"}, P, fns);
}

// function clip() { var mc = _root.createEmptyMovieClip("m", 1); var s = 0;
//   for (var i = 0; i < 10000; i++) { mc._x = mc._x + 1; mc._y = i % 100; s += mc._y; }
//   return mc._x + "," + s; }
Program clip() {
    Pool P;
    Asm fns, b;
    const uint8_t r = 1, mc = 2, s = 3, i = 4;
    b.push({1, P("m"), 2, R{r}, P("createEmptyMovieClip")}).op(CallMethod).set_reg(mc);
    b.push({0}).set_reg(s);
    for_loop(b, i, 0, 10000, [&] {
        b.push({R{mc}, P("_x"), R{mc}, P("_x")}).op(GetMember).push({1}).op(Add2).op(SetMember);
        b.push({R{mc}, P("_y"), R{i}, 100}).op(Modulo).op(SetMember);
        b.push({R{s}, R{mc}, P("_y")}).op(GetMember).op(Add2).set_reg(s);
    });
    b.push({R{mc}, P("_x")}).op(GetMember).push({P(",")}).op(Add2).push({R{s}}).op(Add2).op(Return);
    fns.function2("clip", {}, 5, PreloadRoot | kPlain, b);
    return make_program("clip", {"clip"}, P, fns);
}

// Frame 1 (the only frame; the root stops there):
//   var frameNo = 0;
//   function churn() {
//     _root.tmp.removeMovieClip();
//     var c = _root.createEmptyMovieClip("tmp", 10);
//     var list = [];
//     for (var i = 0; i < 3334; i++) {
//       var o = {id: i, x: i * 2, name: null};
//       if (i % 10 == 0) o.owner = c;
//       list.push(o);
//     }
//     c.items = list; _root.keep = list; frameNo++;
//   }
//   _root.onEnterFrame = churn; stop();
Bytes memory_movie() {
    Pool P;
    Asm b;
    const uint8_t r = 1, c = 2, list = 3, i = 4, o = 5;
    b.push({0, R{r}, P("tmp")}).op(GetMember).push({P("removeMovieClip")}).op(CallMethod).op(Pop);
    b.push({10, P("tmp"), 2, R{r}, P("createEmptyMovieClip")}).op(CallMethod).set_reg(c);
    b.push({0}).op(InitArray).set_reg(list);
    for_loop(b, i, 0, 3334, [&] {
        b.push({P("id"), R{i}, P("x"), R{i}, 2}).op(Multiply).push({P("name"), Null{}, 3}).op(InitObject).set_reg(o);
        const int skip = b.label();
        b.push({R{i}, 10}).op(Modulo).push({0}).op(Equals2).op(Not).if_true(skip);
        b.push({R{o}, P("owner"), R{c}}).op(SetMember);
        b.bind(skip);
        b.push({R{o}, 1, R{list}, P("push")}).op(CallMethod).op(Pop);
    });
    b.push({R{c}, P("items"), R{list}}).op(SetMember);
    b.push({R{r}, P("keep"), R{list}}).op(SetMember);
    b.push({P("frameNo"), P("frameNo")}).op(GetVariable).op(Increment).op(SetVariable);
    Asm fns;
    fns.push({P("frameNo"), 0}).op(DefineLocal);
    fns.function2("churn", {}, 6, PreloadRoot | kPlain, b);
    fns.push({P("_root")}).op(GetVariable).push({P("onEnterFrame"), P("churn")}).op(GetVariable).op(SetMember);
    fns.op(Stop);
    Asm setup;
    setup.pool(P.names).raw(fns.bytes()).op(End);
    return movie({{setup.bytes()}}, 8, 30);
}

// ---------------------------------------------------------------------------------------------

struct Figures {
    std::vector<double> cpu, wall;
    std::vector<std::string> results;
};

// One run of a program in a fresh player: the time of each phase's advance() and its trace.
Figures run_ours(const Program& p) {
    Figures out;
    swf::Player player;
    std::vector<std::string> lines;
    player.set_trace_handler([&](const std::string& s) { lines.push_back(s); });
    player.set_error_handler([&](const std::string& s) { std::fprintf(stderr, "[%s] script error: %s\n", p.name.c_str(), s.c_str()); });
    auto loaded = player.load(p.swf.data(), p.swf.size());
    if (!loaded) {
        std::fprintf(stderr, "[%s] the movie did not load\n", p.name.c_str());
        return out;
    }
    // Slow programs are measured, not stopped.
    player.scripts()->vm.timeout_seconds = 3600;
    for (size_t k = 0; k < p.phases.size(); ++k) {
        const size_t before = lines.size();
        const double c0 = cpu_ms();
        auto t0 = Clock::now();
        player.advance();
        out.wall.push_back(ms_since(t0));
        out.cpu.push_back(cpu_ms() - c0);
        out.results.push_back(lines.size() > before ? lines.back() : "(no trace)");
    }
    return out;
}

// One run of the JavaScript twin: "PHASE name wall_ms cpu_ms result" lines.
Figures run_node(const std::string& node, const std::string& file) {
    Figures out;
    const std::string cmd = node + " --jitless '" + file + "' 2>/dev/null";
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return out;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        std::istringstream in(line);
        std::string tag, name, result;
        double wall = 0, cpu = 0;
        if (in >> tag >> name >> wall >> cpu >> result && tag == "PHASE") {
            out.wall.push_back(wall);
            out.cpu.push_back(cpu);
            out.results.push_back(result);
        }
    }
    pclose(f);
    return out;
}

long status_kb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}

// The memory movie in this (fresh) process.
int memory_child() {
    const long rss0 = status_kb("VmRSS");
    Bytes swf = memory_movie();
    swf::Player player;
    int traces = 0;
    player.set_trace_handler([&](const std::string&) { ++traces; });
    player.set_error_handler([](const std::string& s) { std::fprintf(stderr, "[memory] script error: %s\n", s.c_str()); });
    if (!player.load(swf.data(), swf.size())) return 1;
    auto& vm = player.scripts()->vm;
    auto heap_line = [&](const char* when) {
        const size_t counted = vm.heap.live_bytes(), cells = vm.heap.cell_count();
        vm.collect();
        std::printf("  heap %-6s  %8.2f MB counted (%zu cells), %8.2f MB after a full collection (%zu cells)\n", when,
                    counted / 1048576.0, cells, vm.heap.live_bytes() / 1048576.0, vm.heap.cell_count());
    };
    heap_line("start");
    double total = 0, total_cpu = 0, worst = 0;
    for (int frame = 1; frame <= 1800; ++frame) {
        const double c0 = cpu_ms();
        auto t0 = Clock::now();
        player.advance();
        const double ms = ms_since(t0);
        total += ms;
        total_cpu += cpu_ms() - c0;
        worst = std::max(worst, ms);
        if (frame == 900) heap_line("middle");
    }
    heap_line("end");
    std::printf("  ours: 1,800 frames in %.1f ms cpu (%.1f ms wall, %.3f ms a frame), slowest frame %.2f ms wall\n",
                total_cpu, total, total / 1800, worst);
    std::printf("  resident: %.1f MB before loading, peak %.1f MB (VmHWM), %.1f MB at the end (VmRSS)\n", rss0 / 1024.0,
                status_kb("VmHWM") / 1024.0, status_kb("VmRSS") / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string js_dir = AVM1_BENCH_JS_DIR, node = "node", only, dump;
    int repeat = 3;
    bool memory = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--memory-child") return memory_child();
        if (a == "--js" && i + 1 < argc) js_dir = argv[++i];
        else if (a == "--node" && i + 1 < argc) node = argv[++i];
        else if (a == "--repeat" && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else if (a == "--no-memory") memory = false;
        else if (a == "--dump" && i + 1 < argc) dump = argv[++i];
        else {
            std::fprintf(stderr, "usage: avm1_bench [--js DIR] [--node CMD] [--repeat N] [--only NAME] [--no-memory] [--dump DIR]\n");
            return 2;
        }
    }

    std::vector<Program> programs = {numeric(), strings(), arrays(), props(), calls(), clip()};
    if (!dump.empty()) {
        // The movies as files, for swfrun --log-actions.
        programs.push_back({"memory", {}, memory_movie()});
        for (const Program& p : programs) {
            const std::string path = dump + "/" + p.name + ".swf";
            if (FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(p.swf.data(), 1, p.swf.size(), f);
                std::fclose(f);
                std::printf("%s\n", path.c_str());
            }
        }
        return 0;
    }
    if (only != "memory") {
        std::printf("ActionScript machine vs node --jitless: cpu ms (user + system) of the script alone, best of %d runs\n"
                    "(a program whose first run takes over %.0f s is run once); wall ms in brackets\n",
                    repeat, kOnceAfterMs / 1000);
        std::printf("%-20s %10s %10s %8s   %-21s %s\n", "program/phase", "ours", "node", "ratio", "wall ours / node",
                    "result");
    }
    double worst_ratio = 0;
    std::string worst_name;
    for (const Program& p : programs) {
        if (!only.empty() && p.name != only) continue;
        const size_t n = p.phases.size();
        constexpr double kNone = 1e300;
        std::vector<double> ours(n, kNone), theirs(n, kNone), ours_wall(n, kNone), theirs_wall(n, kNone);
        std::vector<std::string> our_res(n), their_res(n);
        for (int r = 0; r < repeat; ++r) {
            Figures a = run_ours(p);
            Figures b = run_node(node, js_dir + "/" + p.name + ".js");
            double spent = 0;
            for (size_t k = 0; k < n; ++k) {
                if (k < a.cpu.size()) {
                    ours[k] = std::min(ours[k], a.cpu[k]);
                    ours_wall[k] = std::min(ours_wall[k], a.wall[k]);
                    our_res[k] = a.results[k];
                    spent += a.wall[k];
                }
                if (k < b.cpu.size()) {
                    theirs[k] = std::min(theirs[k], b.cpu[k]);
                    theirs_wall[k] = std::min(theirs_wall[k], b.wall[k]);
                    their_res[k] = b.results[k];
                }
            }
            if (spent > kOnceAfterMs) break;
        }
        for (size_t k = 0; k < n; ++k) {
            const std::string label = p.name + "/" + p.phases[k];
            const bool have = ours[k] < kNone && theirs[k] < kNone;
            const double ratio = have && theirs[k] > 0 ? ours[k] / theirs[k] : 0;
            const bool same = our_res[k] == their_res[k];
            char wall[64];
            std::snprintf(wall, sizeof wall, "[%.1f / %.1f]", have ? ours_wall[k] : -1.0, have ? theirs_wall[k] : -1.0);
            std::printf("%-20s %10.1f %10.1f %7.2fx   %-21s %s%s%s\n", label.c_str(), have ? ours[k] : -1.0,
                        have ? theirs[k] : -1.0, ratio, wall, our_res[k].c_str(), same ? "" : "  != node ",
                        same ? "" : their_res[k].c_str());
            if (ratio > worst_ratio) worst_ratio = ratio, worst_name = label;
        }
        std::fflush(stdout);
    }
    if (only != "memory")
        std::printf("worst ratio: %.2fx (%s); target: no program slower than 3x node\n", worst_ratio, worst_name.c_str());

    if (memory && (only.empty() || only == "memory")) {
        std::printf("\nmemory: 30 fps movie, 3,334 objects a frame (100,000 a second), 60 s of frames\n");
        std::fflush(stdout);
        const std::string self = "/proc/self/exe";
        char exe[4096];
        ssize_t n = readlink(self.c_str(), exe, sizeof exe - 1);
        if (n > 0) {
            exe[n] = 0;
            std::fflush(stdout);
            const std::string cmd = std::string("'") + exe + "' --memory-child";
            if (std::system(cmd.c_str()) != 0) std::printf("  the memory run failed\n");
        }
        // The JavaScript twin, for scale.
        FILE* f = popen((node + " --jitless '" + js_dir + "/memory.js' 2>/dev/null").c_str(), "r");
        if (f) {
            char line[1024];
            while (std::fgets(line, sizeof line, f)) {
                std::istringstream in(line);
                std::string tag, k;
                double ms = 0, cpu = 0, rss = 0, h0 = 0, h1 = 0, h2 = 0;
                if (in >> tag >> k >> ms >> k >> cpu >> k >> rss >> k >> h0 >> k >> h1 >> k >> h2 && tag == "MEMORY")
                    std::printf("  node --jitless: 1,800 frames in %.1f ms cpu (%.1f ms wall), peak resident %.1f MB, "
                                "heap used %.2f / %.2f / %.2f MB (start / middle / end)\n",
                                cpu, ms, rss / 1024.0, h0 / 1048576.0, h1 / 1048576.0, h2 / 1048576.0);
            }
            pclose(f);
        }
    }
    return 0;
}
