#pragma once

#include "evolution/Birth.h"

#include <optional>

struct RunArchive;

// Where the analyses of descent read births: a whole lineage model, or an
// archive's records decoded as asked, so that one member's line or ancestry
// costs no copy of a long run's members.
class BirthRecord
{
public:
    virtual ~BirthRecord() = default;

    // The generations held, numbered one after another; 0 and 0 when none is.
    virtual int firstHeld() const = 0;
    virtual int lastHeld() const = 0;
    // Population 1 or 2's births in a generation held, empty when none is
    // recorded: the first generation held has none, its parents not being held.
    virtual Births birthsIn(int generation, int population) const = 0;
    // One member's birth, none when it is not recorded.
    virtual std::optional<Birth> recordedBirth(int generation, int population, int member) const;
};

// The births an archive's records keep (version 3 only), decoded when asked;
// the archive outlives it.
class ArchiveBirths : public BirthRecord
{
public:
    explicit ArchiveBirths(const RunArchive& archive) : archive(archive) {}

    int firstHeld() const override;
    int lastHeld() const override;
    Births birthsIn(int generation, int population) const override;
    std::optional<Birth> recordedBirth(int generation, int population, int member) const override;

private:
    const RunArchive& archive;
};
