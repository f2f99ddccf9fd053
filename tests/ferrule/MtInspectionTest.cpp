#include "ferrule/MtInspection.h"

#include "profiles/CriteriaProfile.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>

namespace
{
// One view's results: each pair is a fibre's number and whether it passed.
TMtCheck View(std::initializer_list<std::pair<int, bool>> fibres)
{
    TMtCheck check;
    check.Location.Kind = TMtViewKind::FibreView;
    for (const auto& [number, pass] : fibres)
    {
        TFibreResult f;
        f.Number = number;
        f.Outcome = TFibreOutcome::Judged;
        f.Where.WhollyInView = true;
        f.Result.Pass = pass;
        check.Fibres.push_back(f);
    }
    return check;
}

// A panned connector: each view carries on after the last, the verdict exists only once every
// fibre has one, and a fibre judged again keeps its last verdict and says so.
TEST(MtInspection, PanningToAVerdict)
{
    TMtInspection mt;
    mt.Start(*FindProfile("mt-sm-apc"));
    ASSERT_EQ(mt.FibreCount(), 12);
    EXPECT_EQ(mt.NextFirstFibre(), 1);
    for (int first = 1; first <= 11; first += 2)
    {
        EXPECT_FALSE(mt.Complete());
        EXPECT_FALSE(mt.Pass());
        EXPECT_EQ(mt.NextFirstFibre(), first);
        EXPECT_EQ(mt.Take(View({{first, true}, {first + 1, first != 5}})), 2);
    }
    EXPECT_TRUE(mt.Complete());
    EXPECT_FALSE(mt.Pass());
    EXPECT_EQ(mt.Failed(), 1);
    EXPECT_EQ(mt.At(6).Verdict, TFibreVerdict::Fail);
    EXPECT_EQ(mt.NextFirstFibre(), 12); // never past the last fibre

    // Fibre 6 cleaned and judged again: the last verdict holds and the record can tell.
    EXPECT_FALSE(mt.AnyRejudged());
    mt.Take(View({{6, true}}));
    EXPECT_TRUE(mt.Pass());
    EXPECT_EQ(mt.At(6).Times, 2);
    EXPECT_TRUE(mt.AnyRejudged());

    mt.Start(*FindProfile("mt-sm-apc"));
    EXPECT_EQ(mt.Judged(), 0);
    EXPECT_EQ(mt.NextFirstFibre(), 1);
}

// What judges nothing changes no verdict: an overview's located fibres, fibres cut by the frame,
// and numbers outside the connector.
TEST(MtInspection, OnlyJudgementsCount)
{
    TMtInspection mt;
    mt.Start(*FindProfile("mt-mm-pc"));
    TMtCheck overview = View({{1, true}, {2, false}});
    overview.Location.Kind = TMtViewKind::Overview;
    for (TFibreResult& f : overview.Fibres)
        f.Outcome = TFibreOutcome::Located;
    TMtCheck stray = View({{0, false}, {13, false}});
    stray.Fibres.push_back(View({{3, false}}).Fibres.front());
    stray.Fibres.back().Outcome = TFibreOutcome::NotInView;
    EXPECT_EQ(mt.Take(overview), 0);
    EXPECT_EQ(mt.Take(stray), 0);
    EXPECT_EQ(mt.Judged(), 0);
    EXPECT_TRUE(mt.At(1).Seen);
    EXPECT_EQ(mt.At(2).Verdict, TFibreVerdict::NotJudged);
    EXPECT_EQ(mt.NextFirstFibre(), 1);

    // A single-fibre profile has no connector to pan.
    mt.Start(*FindProfile("sm-pc"));
    EXPECT_FALSE(mt.Started());
    EXPECT_FALSE(mt.Complete());
}
} // namespace
