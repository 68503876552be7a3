// The implicit step as it runs from its stored rows on several threads: one step against a
// direct solve of the step's equations, the same fields bit for bit with any number of threads,
// and a run continued from a state buffer in a new session as if it had never stopped.
#include <cstring>
#include <filesystem>

#include "classes/dif/step_cache.hpp"
#include "classes/dif_fixture.hpp"
#include "shell/shell.hpp"

namespace tivor::dif_test {
namespace {

// Two subregions of width w with their own factors and cross diffusion, c1 held on the left
// side, c2 on the right, sinks in both.
Task coupled(int cells, int concent2, double w = 1) {
  Task t;
  t.regions = {{0, 0, w, 1, cells, cells, 0.2f, 0.7f, 1.0f, 0.3f, 0.2f, 0.5f},
               {w, 0, 2 * w, 1, cells, cells, 0.6f, 0.1f, 2.0f, 0.0f, 0.4f, 1.5f}};
  t.concent2 = concent2;
  t.conc1 = {{0, 0, 0, 1, 1, 1}};
  t.conc2 = {{2 * w, 0, 2 * w, 1, 0, 0.5}};
  t.fc1 = 0.1f;
  t.fc2 = 0.3f;
  t.cur = -0.01f;
  return t;
}

// Solves a x = b in place by Gaussian elimination with partial pivoting (a: n x n, row-major).
std::vector<double> solve_dense(std::vector<double> a, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t k = 0; k < n; ++k) {
    size_t piv = k;
    for (size_t i = k + 1; i < n; ++i) {
      if (std::abs(a[i * n + k]) > std::abs(a[piv * n + k])) piv = i;
    }
    for (size_t j = 0; j < n; ++j) std::swap(a[k * n + j], a[piv * n + j]);
    std::swap(b[k], b[piv]);
    for (size_t i = k + 1; i < n; ++i) {
      const double f = a[i * n + k] / a[k * n + k];
      for (size_t j = k; j < n; ++j) a[i * n + j] -= f * a[k * n + j];
      b[i] -= f * b[k];
    }
  }
  for (size_t k = n; k-- > 0;) {
    for (size_t j = k + 1; j < n; ++j) b[k] -= a[k * n + j] * b[j];
    b[k] /= a[k * n + k];
  }
  return b;
}

class DifSpeed : public DifTest {
 protected:
  // The next step's fields computed straight from the pools in double: for each component a that
  // is on, (M/ht + K_aa) c_a = M/ht c0_a - M fc_a - K_ab c0_b, with c0 the old fields (the
  // prescribed values written into those that are on) and c_a = c0_a at prescribed nodes.
  std::vector<double> reference_step() const {
    const Cmesh& m = mesh();
    const DifParm& p = parm();
    const size_t n = static_cast<size_t>(n1());
    const bool on[2] = {p.iconc1 != 0, p.iconc2 != 0};
    std::vector<double> c0(2 * n);
    std::vector<char> fixed(2 * n, 0);
    for (int ic = 0; ic < 2; ++ic) {
      for (size_t i = 0; i < n; ++i) c0[ic * n + i] = reals(*s, p.jf[ic])[i];
      for (int32_t k = 0; on[ic] && k < m.n3; ++k) {
        const int32_t node = ints(*s, m.jj2)[2 * k + 1];
        if (ints(*s, p.jy[ic])[k] != 0 || node <= 0) continue;
        c0[ic * n + node - 1] = reals(*s, p.jfg[ic])[k];
        fixed[ic * n + node - 1] = 1;
      }
    }
    // K_ab of the four pairs, element by element from the mesh arrays.
    std::vector<double> k(4 * n * n, 0.0);
    int32_t first = 0;
    for (int32_t sub = 0; sub < m.ntel; ++sub) {
      const int32_t end = std::clamp(ints(*s, m.jn2)[sub], first, m.n2);
      const float* d = reals(*s, p.jdiffc) + 4 * sub;
      for (int32_t e = first; e < end; ++e) {
        for (int a = 0; a < 3; ++a) {
          for (int b = 0; b < 3; ++b) {
            const size_t i = std::abs(ints(*s, m.jj1)[3 * e + a]) - 1;
            const size_t j = std::abs(ints(*s, m.jj1)[3 * e + b]) - 1;
            const double g = double{reals(*s, m.jsss)[e]} *
                             (double{reals(*s, m.jdr[a])[e]} * reals(*s, m.jdr[b])[e] +
                              double{reals(*s, m.jdz[a])[e]} * reals(*s, m.jdz[b])[e]);
            for (int q = 0; q < 4; ++q) k[q * n * n + i * n + j] += d[q] * g;
          }
        }
      }
      first = end;
    }
    std::vector<double> next(c0);
    const double fc[2] = {p.fc1, p.fc2};
    for (int ic = 0; ic < 2; ++ic) {
      if (!on[ic]) continue;
      const int other = 1 - ic;
      const double* kaa = &k[(3 * ic) * n * n];
      const double* kab = &k[(ic == 0 ? 1 : 2) * n * n];
      std::vector<double> a(n * n), b(n);
      for (size_t i = 0; i < n; ++i) {
        if (fixed[ic * n + i]) {
          a[i * n + i] = 1;
          b[i] = c0[ic * n + i];
          continue;
        }
        const double mht = mass(static_cast<int32_t>(i)) / s->cht.ht;
        b[i] = mht * c0[ic * n + i] - mass(static_cast<int32_t>(i)) * fc[ic];
        for (size_t j = 0; j < n; ++j) {
          a[i * n + j] = kaa[i * n + j];
          b[i] -= kab[i * n + j] * c0[other * n + j];
        }
        a[i * n + i] += mht;
      }
      const std::vector<double> x = solve_dense(a, b);
      std::copy(x.begin(), x.end(), next.begin() + ic * n);
    }
    return next;
  }

  std::vector<float> both() const {
    std::vector<float> f = field(1), f2 = field(2);
    f.insert(f.end(), f2.begin(), f2.end());
    return f;
  }
};

TEST_F(DifSpeed, OneStepMatchesADirectSolveOfItsEquations) {
  for (const int concent2 : {1, 0}) {
    fresh();
    ASSERT_TRUE(prepare(coupled(6, concent2))) << screen();
    const std::vector<double> expected = reference_step();
    const std::vector<float> c2_before = field(2);
    run(1);
    ASSERT_FALSE(flag_tst(*s)) << screen();
    // The product reads both kinds of column groups here: consecutive and listed.
    const auto* rows = dynamic_cast<const dif::StepCache*>(s->class_cache.held.get());
    ASSERT_NE(rows, nullptr);
    EXPECT_TRUE(std::ranges::any_of(rows->group, [](int32_t g) { return g >= 0; }) &&
                !rows->listed.empty());
    const std::vector<float> got = both();
    double scale = 0, err = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      scale = std::max(scale, std::abs(expected[i]));
      err = std::max(err, std::abs(got[i] - expected[i]));
    }
    EXPECT_LT(err, 2e-6 * scale) << "concent2=" << concent2;
    if (concent2 == 0) {
      EXPECT_EQ(field(2), c2_before);
    }
  }
}

TEST_F(DifSpeed, FieldsAreTheSameBitForBitWithAnyNumberOfThreads) {
  // Over 5000 nodes: the rows make several blocks.
  const Task task = coupled(46, 1);
  std::vector<float> first;
  for (const int threads : {1, 2, 3}) {
    fresh();
    s->threads = threads;
    ASSERT_TRUE(prepare(task)) << screen();
    run(3);
    ASSERT_FALSE(flag_tst(*s)) << screen();
    const std::vector<float> f = both();
    if (first.empty()) first = f;
    EXPECT_EQ(std::memcmp(f.data(), first.data(), f.size() * sizeof(float)), 0)
        << threads << " threads";
  }
}

TEST_F(DifSpeed, RunContinuedFromAStateBufferInANewSessionIsTheSameRun) {
  const std::string buffer = (std::filesystem::current_path() / "run.buf").string();
  const Task task = coupled(8, 1);
  ASSERT_TRUE(prepare(task)) << screen();
  run(10);
  const std::vector<float> at10 = both();
  iniclass(*s);
  rewrin(*s, 2, buffer);
  run(10);
  ASSERT_FALSE(flag_tst(*s)) << screen();
  const std::vector<float> straight = both();

  // A task of the same sizes in other pool values runs first, each time: what the step keeps
  // from it must not serve the task prepared or read after it.
  const Task other = coupled(8, 1, 1.5);
  fresh();
  iniclass(*s);
  ASSERT_TRUE(prepare(other)) << screen();
  run(2);
  ASSERT_TRUE(prepare(task)) << screen();
  run(10);
  EXPECT_EQ(both(), at10);
  ASSERT_TRUE(prepare(other)) << screen();
  run(2);
  rewrin(*s, 1, buffer);
  ASSERT_FALSE(flag_tst(*s)) << screen();
  run(10);
  ASSERT_FALSE(flag_tst(*s)) << screen();
  const std::vector<float> resumed = both();
  ASSERT_EQ(resumed.size(), straight.size());
  EXPECT_EQ(std::memcmp(resumed.data(), straight.data(), resumed.size() * sizeof(float)), 0);
}

}  // namespace
}  // namespace tivor::dif_test
