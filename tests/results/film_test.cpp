// The film: its set-up answers, the frame rhythm over a run (frames counted in a real picture
// library), a rhythm that lags behind the step, the redraw without a film, and the picture drawn
// while no task is prepared.

#include <array>

#include "librarian/librarian.hpp"
#include "results/results_fixture.hpp"

namespace tivor::results_test {
namespace {

class FilmTest : public ResultsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(prepare(kSquare));
    set_field(s->cls.datfile, "./dif/square.dif");
    s->cterm.ipc = 3;
    record_screens();
  }

  // Whether frames are saved (1), only drawn (-1) or neither (0), their frequency and the next.
  using Film = std::array<int32_t, 3>;
  Film film() const { return {s->cht.ifilm, s->cterm.np, s->cterm.inp}; }

  // A new, empty library chosen as the librarian chooses one.
  void choose_library() {
    std::ofstream("film.lbr", std::ios::binary);
    Ckadr& k = s->frame.kadr;
    set_field(k.libname, "film.lbr");
    k.nkadr = 0, k.chosen = kLibraryChosen;
  }
  std::vector<FrameHeader> frames() const {
    std::ifstream in("film.lbr", std::ios::binary);
    return read_directory(in, kMaxFrames).heads;
  }

  // Answers the film question with the key and, when given, the frequency line.
  void set_film(int answer, const std::string& frequency = "") {
    host.press(answer);
    if (!frequency.empty()) host.line(frequency);
    setifilm(*s);
    EXPECT_TRUE(host.events.empty());
  }

  // Steps from..to of the run, the film entry called after each; returns the steps at which the
  // picture was drawn (the page's interior repainted).
  std::vector<int> steps(int from, int to) {
    std::vector<int> drawn;
    for (int is = from; is <= to; ++is) {
      s->cht.is = is, s->cht.t = 0.01f * static_cast<float>(is);
      for (int y = 100; y <= 110; ++y) std::fill_n(&s->frame.at(2, y), 479, uint8_t{5});
      afilm(*s);
      if (count(2, 100, 480, 110, 5) == 0) drawn.push_back(is);
    }
    return drawn;
  }
};

TEST_F(FilmTest, FramesEveryThirdStepAndAtTheLast) {
  choose_library();
  s->cht.is = 0;
  set_film('y', "3");
  EXPECT_TRUE(seen(" save frames ? (y/n or a - stop film)") && seen("frame frequency?") &&
              film() == (Film{1, 3, 3}));

  s->cht.isp = 10;
  EXPECT_EQ(steps(1, 10), (std::vector<int>{3, 6, 9, 10}));
  const std::vector<FrameHeader> saved = frames();
  ASSERT_TRUE(saved.size() == 4u && s->frame.kadr.nkadr == 4) << saved.size();
  EXPECT_EQ(std::string(saved[0].name, 8), "square  ");
  EXPECT_FLOAT_EQ(saved[0].t, 0.03f);
  EXPECT_FLOAT_EQ(saved[3].t, 0.10f);

  // The last step moved the rhythm on to 15; a drawing after the run (the history graph from its
  // menu) moves it on by one more frequency, so the continued run's first frame comes at 18.
  EXPECT_EQ(s->cterm.inp, 15);
  afilm(*s);
  EXPECT_EQ(s->cterm.inp, 18);
  s->cht.isp = 20;
  EXPECT_TRUE(steps(11, 20) == (std::vector<int>{18, 20}) && frames().size() == 7u);
}

TEST_F(FilmTest, ADamagedLibraryEndsTheFilmWithOneMessage) {
  choose_library();
  std::ofstream("film.lbr", std::ios::binary) << "a partial tail";
  s->cht.is = 0;
  set_film('y', "1");
  s->cht.isp = 5;
  screens.clear();
  host.press(13);  // the one message's key; a second wait would find no key and stop the test
  steps(1, 5);
  EXPECT_TRUE(s->cht.ifilm == 0 && times_seen("apsave: read error") == 1);
  std::ifstream in("film.lbr", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "a partial tail");
}

TEST_F(FilmTest, RhythmWithoutSaving) {
  choose_library();
  // Behind the step (a state read back): every step draws until the rhythm has caught up.
  s->cht.ifilm = -1, s->cterm.np = 3;
  s->cterm.inp = 2, s->cht.isp = 30;
  EXPECT_EQ(steps(6, 16), (std::vector<int>{6, 7, 8, 11, 14}));
  // No film: every step, the rhythm untouched.
  s->cht.ifilm = 0;
  EXPECT_TRUE(steps(17, 20) == (std::vector<int>{17, 18, 19, 20}) && s->cterm.inp == 17);
  // Answer n: the rhythm from the step it is set at.
  s->cht.is = 21;
  set_film('n', "2");
  EXPECT_EQ(s->cht.ifilm, -1);
  EXPECT_EQ(steps(22, 25), (std::vector<int>{23, 25}));
  EXPECT_TRUE(frames().empty() && s->frame.kadr.changed == 0);
}

TEST_F(FilmTest, SetUpAnswers) {
  // y without a library: nothing changes.
  s->cterm.np = 7;
  const Film before = film();
  press({'y', ' '});  // the message
  setifilm(*s);
  EXPECT_TRUE(seen(" use librarian to define picture library") && film() == before);

  // A frequency below 1 becomes 1.
  s->cht.is = 12;
  set_film('N', "-4");
  EXPECT_EQ(film(), (Film{-1, 1, 13}));

  // Esc at the frequency or at the question changes nothing; other keys are no answers.
  for (int answer : {'n', 'x'}) {
    press({answer, key::kEsc});
    setifilm(*s);
  }
  EXPECT_TRUE(host.events.empty() && film() == (Film{-1, 1, 13}));
  // a stops the film.
  set_film('a');
  EXPECT_EQ(s->cht.ifilm, 0);
}

TEST_F(FilmTest, PictureBeforeTheTaskRunsIsTheMesh) {
  afilm0(*s);
  const std::vector<uint8_t> mesh = s->frame.raster;
  s->cterm.nf = 9, s->cht.itask = 0;
  for (int ipc : {1, 5, 7, 10, 42}) {
    s->cterm.ipc = ipc;
    afilm0(*s);
    EXPECT_TRUE(s->frame.raster == mesh) << ipc;
  }
  EXPECT_EQ(s->cterm.nf, 2);
  s->cht.itask = kTaskPrepared;
  afilm0(*s);
  EXPECT_FALSE(s->frame.raster == mesh);
}

}  // namespace
}  // namespace tivor::results_test
