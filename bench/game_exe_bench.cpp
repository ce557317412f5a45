// E and I on a game-sized file, beside the plain safe copy of the same file
// (64 KiB blocks, fsync, rename, fsync of the folder) that I is measured
// against; the command line's show beside E, and its apply beside E then I.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <vector>
#include <unistd.h>

#include "command_line/command_line.h"
#include "console/file_commands.h"
#include "stand_in_game.h"
#include "table/skill_table.h"

namespace {

void set_up_game_dir()
{
    static bool done = false;
    if (done)
        return;
    char pattern[] = "/tmp/skilltab-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0
        || !write_bytes("mm7.exe", make_stand_in_game(make_plausible_table()))
        || std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("bench set-up");
        std::exit(1);
    }
    done = true;
}

void extract(benchmark::State& state)
{
    set_up_game_dir();
    for (auto _ : state)
        extract_from_game();
    state.SetBytesProcessed(state.iterations() * 978372);
}

void insert(benchmark::State& state)
{
    set_up_game_dir();
    extract_from_game();  // I writes only a table read whole, as after E
    for (auto _ : state)
        insert_into_game();
    state.SetBytesProcessed(state.iterations() * 1069056);
}

void safe_copy(benchmark::State& state)
{
    set_up_game_dir();
    static char block[65536];
    for (auto _ : state) {
        int in = open("mm7.exe", O_RDONLY);
        int out = open("mm7_new.exe", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (ssize_t count; (count = read(in, block, sizeof block)) > 0;)
            if (write(out, block, static_cast<size_t>(count)) != count)
                state.SkipWithError("write failed");
        fsync(out);
        close(out);
        close(in);
        std::rename("mm7_new.exe", "mm7.exe");
        int folder = open(".", O_RDONLY | O_DIRECTORY);
        fsync(folder);
        close(folder);
    }
    state.SetBytesProcessed(state.iterations() * 1069056);
}

// E then I, the menu's way of writing a table into the game.
void extract_then_insert(benchmark::State& state)
{
    set_up_game_dir();
    for (auto _ : state) {
        extract_from_game();
        insert_into_game();
    }
    state.SetBytesProcessed(state.iterations() * 1069056);
}

// skilltab show: the game's table as text, beside E.
void show_game(benchmark::State& state)
{
    set_up_game_dir();
    char show[] = "show", game[] = "mm7.exe";
    char* arguments[] = {show, game};
    for (auto _ : state)
        run_command_line(2, arguments);
    state.SetBytesProcessed(state.iterations() * 978372);
}

// skilltab apply of a one-entry patch, beside E then I; the patch changes
// the entry each time, so each run writes the game.
void apply_one_entry(benchmark::State& state)
{
    set_up_game_dir();
    std::FILE* patches[2] = {std::fopen("grandmaster.txt", "w"), std::fopen("none.txt", "w")};
    std::fputs("Skill Knight\nStaff GGGG\n", patches[0]);
    std::fputs("Skill Knight\nStaff ----\n", patches[1]);
    std::fclose(patches[0]);
    std::fclose(patches[1]);
    char apply[] = "apply", grandmaster[] = "grandmaster.txt", none[] = "none.txt";
    char* arguments[2][2] = {{apply, grandmaster}, {apply, none}};
    int turn = 0;
    for (auto _ : state)
        run_command_line(2, arguments[turn++ % 2]);
    state.SetBytesProcessed(state.iterations() * 1069056);
}

// skilltab show of the same whole table as a text and as a CSV.
void show_table_file(benchmark::State& state, const char* name)
{
    set_up_game_dir();
    char convert[] = "convert", game[] = "mm7.exe", show[] = "show";
    char* file = const_cast<char*>(name);
    char* converting[] = {convert, game, file};
    run_command_line(3, converting);
    char* arguments[] = {show, file};
    for (auto _ : state)
        run_command_line(2, arguments);
}

void show_text(benchmark::State& state)
{
    show_table_file(state, "table.txt");
}

void show_csv(benchmark::State& state)
{
    show_table_file(state, "table.csv");
}

// Ten patches of one entry each (the Staff of each class, and the Sword of
// the Knight), made in two versions that each iteration alternates between,
// so that every run writes the game.
constexpr int PATCH_COUNT = 10;
char patch_names[2][PATCH_COUNT][32];

void make_ten_patches()
{
    const char* SKILLS[PATCH_COUNT] = {"Staff", "Staff", "Staff", "Staff", "Staff",
                                       "Staff", "Staff", "Staff", "Staff", "Sword"};
    const char* CLASSES[PATCH_COUNT] = {"Knight", "Thief", "Monk", "Paladin", "Archer",
                                        "Ranger", "Cleric", "Druid", "Sorcerer", "Knight"};
    for (int version = 0; version < 2; ++version) {
        for (int i = 0; i < PATCH_COUNT; ++i) {
            std::snprintf(patch_names[version][i], sizeof patch_names[version][i], "patch-%d-%d.txt", version, i);
            std::FILE* patch = std::fopen(patch_names[version][i], "w");
            std::fprintf(patch, "Skill %s\n%s %s\n", CLASSES[i], SKILLS[i], version == 0 ? "GGGG" : "----");
            std::fclose(patch);
        }
    }
}

// skilltab apply of ten patches at once, beside ten apply runs one after the other.
void apply_ten_at_once(benchmark::State& state)
{
    set_up_game_dir();
    make_ten_patches();
    char apply[] = "apply", game[] = "mm7.exe";
    char* arguments[2][PATCH_COUNT + 2];
    for (int version = 0; version < 2; ++version) {
        arguments[version][0] = apply;
        for (int i = 0; i < PATCH_COUNT; ++i)
            arguments[version][i + 1] = patch_names[version][i];
        arguments[version][PATCH_COUNT + 1] = game;
    }
    int turn = 0;
    for (auto _ : state)
        run_command_line(PATCH_COUNT + 2, arguments[turn++ % 2]);
}

void apply_ten_one_by_one(benchmark::State& state)
{
    set_up_game_dir();
    make_ten_patches();
    char apply[] = "apply";
    int turn = 0;
    for (auto _ : state) {
        for (int i = 0; i < PATCH_COUNT; ++i) {
            char* arguments[] = {apply, patch_names[turn % 2][i]};
            run_command_line(2, arguments);
        }
        ++turn;
    }
}

}  // namespace

// apply --dry-run of many patches at once: state.range(0) copies of the
// game's whole table, or as many one-entry patches (the entries in turn,
// each set alike wherever it comes again, so that none conflict). Combining
// them is one pass over the levels: 2,000 take about ten times the time of 200.
void apply_many(benchmark::State& state, bool whole)
{
    set_up_game_dir();
    int count = static_cast<int>(state.range(0));
    static std::vector<std::string> names;
    names.clear();
    char convert[] = "convert", game[] = "mm7.exe", whole_name[] = "whole.txt";
    char* converting[] = {convert, game, whole_name};
    run_command_line(3, converting);
    for (int i = 0; i < count; ++i) {
        if (whole) {
            names.push_back(whole_name);
            continue;
        }
        names.push_back("entry-" + std::to_string(i) + ".txt");
        int entry = i % 333, class_index = entry % 9, slot = entry / 9;
        std::FILE* patch = std::fopen(names.back().c_str(), "w");
        std::fprintf(patch, "Skill %s\n%s %c%c%c%c\n", class_names[class_index], skill_text_names[slot],
                     LEVEL_LETTERS[entry % 5], LEVEL_LETTERS[(entry + 1) % 5], LEVEL_LETTERS[(entry + 2) % 5],
                     LEVEL_LETTERS[(entry + 3) % 5]);
        std::fclose(patch);
    }
    std::vector<char*> arguments = {const_cast<char*>("apply"), const_cast<char*>("--dry-run")};
    for (std::string& name : names)
        arguments.push_back(name.data());
    arguments.push_back(game);
    for (auto _ : state)
        run_command_line(static_cast<int>(arguments.size()), arguments.data());
}

void apply_many_copies(benchmark::State& state)
{
    apply_many(state, true);
}

void apply_many_patches(benchmark::State& state)
{
    apply_many(state, false);
}

BENCHMARK(apply_many_copies)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(apply_many_patches)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(show_text)->Unit(benchmark::kMicrosecond);
BENCHMARK(show_csv)->Unit(benchmark::kMicrosecond);
BENCHMARK(apply_ten_at_once)->Unit(benchmark::kMillisecond);
BENCHMARK(apply_ten_one_by_one)->Unit(benchmark::kMillisecond);
BENCHMARK(extract)->Unit(benchmark::kMillisecond);
BENCHMARK(show_game)->Unit(benchmark::kMillisecond);
BENCHMARK(extract_then_insert)->Unit(benchmark::kMillisecond);
BENCHMARK(apply_one_entry)->Unit(benchmark::kMillisecond);
BENCHMARK(insert)->Unit(benchmark::kMillisecond);
BENCHMARK(safe_copy)->Unit(benchmark::kMillisecond);

// The commands print their menus on standard output, which goes to /dev/null
// here; the figures go to standard error.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
