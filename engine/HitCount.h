// Hit counting: how many positions of a candidate number each media bet
// covers, and the tally of media bets per hit level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

constexpr int kLevels = 8;  // hit levels 0 to 7

// The hit count of one media bet against one candidate, computed literally:
// a bet holding "," is cut into groups, group j offering its characters for
// position j ("*" covers anything, a repeated character counts each time);
// any other bet offers character j for position j.  Positions beyond the end
// of the candidate are never looked at.
int32_t CountHits(std::string_view bet, std::string_view candidate);

// The media bets prepared for counting.  Build once per preparation; Tally
// parses nothing and allocates nothing.
class HitCounter {
 public:
  void Build(const std::vector<std::string>& bets);

  // tally[0..7] := number of bets with hit count 0..7 against the candidate;
  // a bet with more than 7 hits is tallied at no level.
  void Tally(std::string_view candidate, int32_t tally[kLevels]) const;

  size_t BetCount() const { return betCount_; }
  // No bet looks at a candidate position beyond this one.
  size_t MaxPositions() const { return maxPositions_; }

 private:
  struct Bet {
    uint32_t first;   // index of the bet's first group in groups_
    uint32_t count;   // number of groups (a single bet: one per character)
    bool compound;    // "*" covers any character
  };
  struct Group {
    uint32_t offset;  // into chars_
    uint32_t length;
  };
  size_t betCount_ = 0;
  size_t maxPositions_ = 0;
  std::vector<Bet> bets_;
  std::vector<Group> groups_;
  std::string chars_;
};

}  // namespace qv
