#pragma once

#include "analysis/Lineage.h"

#include <QByteArray>

#include <vector>

// One member of a run: its generation, population (1 or 2) and index.
struct LineageMember {
    int generation = 0;
    int population = 1;
    int member = 0;
};

// Members of one population flagged generation by generation: row k is
// generation first + k, a flag a member.
struct MemberFlags {
    int first = 0;
    std::vector<std::vector<char>> rows;

    bool flagged(int generation, int member) const
    {
        const int k = generation - first;
        if (k < 0 || k >= static_cast<int>(rows.size()) || member < 0 ||
            member >= static_cast<int>(rows[static_cast<std::size_t>(k)].size()))
            return false;
        return rows[static_cast<std::size_t>(k)][static_cast<std::size_t>(member)] != 0;
    }
};

// The members of population 1 or 2 of `generation` that `marked` flags, and
// in every generation `record` holds before it their ancestors, first
// parents and mates alike.
MemberFlags ancestorsOf(const BirthRecord& record, int generation, int population,
                        std::vector<char> marked);
// The members `marked` flags and, in every generation held after theirs, the
// members with one of them among their ancestors (no row past the
// generation where the last of them died out).
MemberFlags descendantsOf(const BirthRecord& record, int generation, int population,
                          std::vector<char> marked);

// The members of generation `of` and every ancestor of theirs the model
// holds, first parents and mates alike, in the order of their ids. `of` must
// be a generation the model holds.
std::vector<LineageMember> ancestryOf(const LineageModel& model, int of);
// Every member of every generation the model holds, in the order of their ids.
std::vector<LineageMember> everyMember(const LineageModel& model);

// A phylogeny in the ALife Data Standards' form, a row per member given:
// "id,ancestor_list,origin_time,population,member,operator,x0,x1,y0,y1,score,
// champion,pattern". The id is the model's; ancestor_list names the ids of
// its distinct parents ("[a]", "[a, b]" for a crossover of two members) or
// "[none]" for a member without a recorded birth; origin_time is its
// generation; operator is "mutation", "crossover" or "copy", empty without
// a birth; x0, x1, y0, y1 are a crossover's rectangle (columns x0 .. x1 - 1
// and rows y0 .. y1 - 1 from the mate), empty otherwise; score is empty when
// the record kept none; champion is "true" for its generation's champion,
// otherwise "false"; pattern is the packed pattern's bytes in hex.
QByteArray phylogenyCsv(const LineageModel& model, const std::vector<LineageMember>& members);
