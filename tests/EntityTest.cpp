#include "TestSupport.hpp"
#include "entities/Ball.hpp"
#include "entities/BreakableComponent.hpp"
#include "entities/Pad.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/Window/Context.hpp>

#include <memory>
#include <string>
#include <vector>

using testsupport::CapturedStdout;
using testsupport::ScopedWorkingDirectory;
using testsupport::TempDir;

namespace {

const sf::Color kWhite(255, 255, 255, 255);
// A colour no generated asset is likely to have, so a drawn pixel shows
// which texture it came from.
const sf::Color kTextureColour(40, 120, 200, 255);

// A folder holding a plain "blanc.png" of kTextureColour, made here so the
// checks do not depend on what the real image shows.
class ImageFolder {
public:
    ImageFolder()
    {
        sf::Image image;
        image.create(256, 64, kTextureColour);
        saved = image.saveToFile(dir.Path() + "/blanc.png");
    }
    const std::string& Path() const { return dir.Path(); }
    bool saved = false;

private:
    TempDir dir;
};

// The smallest concrete sprite and circle entities, built from any file.
class TestSprite final : public EntitySprite {
public:
    explicit TestSprite(const std::string& path)
        : EntitySprite({10.f, 20.f}, {0, 0}, {30, 40}, path, {1.f, 1.f}, kWhite)
    {
    }
    void Update() override {}
    TestSprite* Clone() const override { return new TestSprite(*this); }

private:
    TestSprite(const TestSprite& other) = default;
};

class TestCircle final : public EntityCircle {
public:
    explicit TestCircle(const std::string& path)
        : EntityCircle({10.f, 20.f}, {0, 0}, {16, 16}, path, 8.f, kWhite)
    {
    }
    void Update() override {}
    TestCircle* Clone() const override { return new TestCircle(*this); }

private:
    TestCircle(const TestCircle& other) = default;
};

std::unique_ptr<Pad> MakePad(sf::Vector2f position = {885.f, 930.f})
{
    return std::make_unique<Pad>(position, 15.f, sf::Vector2f(200.f, 20.f), 5, kWhite, nullptr);
}

std::unique_ptr<Ball> MakeBall(float radius = 10.f)
{
    return std::make_unique<Ball>(sf::Vector2f(100.f, 200.f), sf::Vector2f(0.5f, -1.f), 13.f, 1,
                                  5, radius, nullptr, kWhite);
}

// Draws one entity alone on black and reads the picture back.
sf::Image DrawAlone(Entity& entity)
{
    sf::RenderTexture target;
    EXPECT_TRUE(target.create(400, 300));
    target.clear(sf::Color::Black);
    target.draw(*entity.GetDrawable());
    target.display();
    return target.getTexture().copyToImage();
}

// Entities built from the plain image, with one GL context kept active for
// the whole suite so each texture does not set up a context of its own.
class EntityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context = std::make_unique<sf::Context>();
        folder = std::make_unique<ImageFolder>();
    }
    static void TearDownTestSuite()
    {
        folder.reset();
        context.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(folder->saved);
        cwd = std::make_unique<ScopedWorkingDirectory>(folder->Path());
    }
    void TearDown() override { cwd.reset(); }

    static std::unique_ptr<sf::Context> context;
    static std::unique_ptr<ImageFolder> folder;
    std::unique_ptr<ScopedWorkingDirectory> cwd;
};

std::unique_ptr<sf::Context> EntityTest::context;
std::unique_ptr<ImageFolder> EntityTest::folder;

} // namespace

TEST(BreakableTest, DamageBreaksAtZeroAndNeverGoesBelow)
{
    BreakableComponent exact(nullptr, 5);
    exact.TakeDamage(5);
    EXPECT_EQ(exact.GetHitPoints(), 0);
    EXPECT_TRUE(exact.IsBroken());
    exact.TakeDamage(3);
    EXPECT_EQ(exact.GetHitPoints(), 0);
    EXPECT_TRUE(exact.IsBroken());

    BreakableComponent overkill(nullptr, 5);
    overkill.TakeDamage(99999);
    EXPECT_EQ(overkill.GetHitPoints(), 0);
    EXPECT_TRUE(overkill.IsBroken());

    BreakableComponent scratched(nullptr, 5);
    scratched.TakeDamage(4);
    EXPECT_EQ(scratched.GetHitPoints(), 1);
    EXPECT_FALSE(scratched.IsBroken());
}

TEST(BreakableTest, ZeroDamageBreaksAnEntityWithNoHitPointsLeft)
{
    BreakableComponent empty(nullptr, 0);
    EXPECT_FALSE(empty.IsBroken());
    empty.TakeDamage(0);
    EXPECT_TRUE(empty.IsBroken());
    EXPECT_EQ(empty.GetHitPoints(), 0);

    BreakableComponent healthy(nullptr, 1);
    healthy.TakeDamage(0);
    EXPECT_FALSE(healthy.IsBroken());
    EXPECT_EQ(healthy.GetHitPoints(), 1);
}

TEST(BreakableTest, NegativeDamageHealsButABrokenEntityStaysBroken)
{
    BreakableComponent broken(nullptr, 2);
    broken.TakeDamage(2);
    broken.TakeDamage(-3);
    EXPECT_EQ(broken.GetHitPoints(), 3);
    EXPECT_TRUE(broken.IsBroken());

    BreakableComponent whole(nullptr, 2);
    whole.TakeDamage(-3);
    EXPECT_EQ(whole.GetHitPoints(), 5);
    EXPECT_FALSE(whole.IsBroken());
}

TEST_F(EntityTest, OnlyTheSpriteAndCircleVersionsOfSetPositionMoveWhatIsDrawn)
{
    auto pad = MakePad();
    pad->Entity::SetPosition({10.f, 20.f});
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(10.f, 20.f));
    EXPECT_EQ(pad->GetSprite().getPosition(), sf::Vector2f(885.f, 930.f));
    Entity& padEntity = *pad;
    padEntity.SetPosition({30.f, 40.f});
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(30.f, 40.f));
    EXPECT_EQ(pad->GetSprite().getPosition(), sf::Vector2f(30.f, 40.f));

    auto ball = MakeBall();
    ball->Entity::SetPosition({10.f, 20.f});
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(10.f, 20.f));
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(100.f, 200.f));
    Entity& ballEntity = *ball;
    ballEntity.SetPosition({30.f, 40.f});
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(30.f, 40.f));
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(30.f, 40.f));
}

TEST_F(EntityTest, BallTextureSquareIsTwiceTheRadiusTruncated)
{
    auto ball = MakeBall(10.f);
    EXPECT_EQ(ball->GetShape().getTextureRect(), sf::IntRect(0, 0, 20, 20));
    EXPECT_EQ(ball->GetSize(), sf::Vector2i(20, 20));
    EXPECT_EQ(ball->GetShape().getRadius(), 10.f);
    EXPECT_EQ(ball->GetShape().getPointCount(), 30u);

    // 2 x 10.8 = 21.6, cut to 21, not rounded to 22.
    auto odd = MakeBall(10.8f);
    EXPECT_EQ(odd->GetShape().getTextureRect(), sf::IntRect(0, 0, 21, 21));
    EXPECT_EQ(odd->GetSize(), sf::Vector2i(21, 21));
}

TEST_F(EntityTest, MissingImageIsReportedOncePerEntityAndTheEntityStillPlays)
{
    TempDir empty;
    ScopedWorkingDirectory cwd(empty.Path());
    const std::vector<std::string> oneLine{"Loading texture failed."};

    CapturedStdout out;
    auto pad = MakePad();
    EXPECT_EQ(out.Lines(), oneLine);
    out.Clear();
    auto ball = MakeBall();
    EXPECT_EQ(out.Lines(), oneLine);
    out.Clear();
    TestSprite sprite(empty.Path() + "/nothing.png");
    EXPECT_EQ(out.Lines(), oneLine);
    out.Clear();
    TestCircle circle(empty.Path() + "/nothing.png");
    EXPECT_EQ(out.Lines(), oneLine);

    // Built all the same, with their geometry and an (empty) texture.
    EXPECT_EQ(pad->GetSize(), sf::Vector2i(200, 20));
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_NE(pad->GetDrawable(), nullptr);
    EXPECT_NE(pad->GetTexture(), nullptr);
    EXPECT_EQ(ball->GetSize(), sf::Vector2i(20, 20));
    EXPECT_NE(ball->GetDrawable(), nullptr);
    pad->SetDirection({1.f, 0.f});
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(900.f, 930.f));

    // Copies take the texture as it is and load nothing.
    out.Clear();
    std::unique_ptr<Entity> padClone(pad->Clone());
    std::unique_ptr<Entity> ballClone(ball->Clone());
    std::unique_ptr<Entity> spriteClone(sprite.Clone());
    std::unique_ptr<Entity> circleClone(circle.Clone());
    EXPECT_EQ(out.Text(), "");
    DrawAlone(*padClone);
    DrawAlone(*ballClone);
}

TEST_F(EntityTest, PadCloneKeepsDrawingAfterItsSourceIsGone)
{
    auto source = MakePad({50.f, 100.f});
    source->TakeDamage(2);
    source->SetInvulnerable(true);
    source->SetDirection({-1.f, 0.5f});
    const sf::Texture* sourceTexture = source->GetTexture();
    std::unique_ptr<Pad> clone(source->Clone());
    source.reset();

    ASSERT_NE(clone->GetTexture(), nullptr);
    EXPECT_NE(clone->GetTexture(), sourceTexture);
    EXPECT_EQ(clone->GetSprite().getTexture(), clone->GetTexture());
    EXPECT_EQ(clone->GetSprite().getTextureRect(), sf::IntRect(0, 0, 200, 20));
    EXPECT_EQ(clone->GetHitPoints(), 3);
    EXPECT_TRUE(clone->IsInvulnerable());
    EXPECT_EQ(clone->GetDirection(), sf::Vector2f(-1.f, 0.5f));
    EXPECT_EQ(clone->GetSpeed(), 15.f);
    const Entity* self = clone.get();
    EXPECT_EQ(clone->MovingComponent::GetOwner(), self);
    EXPECT_EQ(clone->BreakableComponent::GetOwner(), self);

    // Moving the clone moves the clone and its sprite.
    clone->Update();
    EXPECT_EQ(clone->GetPosition(), sf::Vector2f(35.f, 107.5f));
    EXPECT_EQ(clone->GetSprite().getPosition(), sf::Vector2f(35.f, 107.5f));

    const sf::Image picture = DrawAlone(*clone);
    EXPECT_EQ(picture.getPixel(135, 117), kTextureColour);
    EXPECT_EQ(picture.getPixel(36, 108), kTextureColour);
    EXPECT_EQ(picture.getPixel(233, 126), kTextureColour);
    EXPECT_EQ(picture.getPixel(135, 140), sf::Color::Black);
    EXPECT_EQ(picture.getPixel(240, 117), sf::Color::Black);
}

TEST_F(EntityTest, BallCloneKeepsDrawingAfterItsSourceIsGone)
{
    auto source = MakeBall();
    source->SetColor(sf::Color(255, 0, 0, 255));
    const sf::Texture* sourceTexture = source->GetTexture();
    std::unique_ptr<Ball> clone(source->Clone());
    source.reset();

    ASSERT_NE(clone->GetTexture(), nullptr);
    EXPECT_NE(clone->GetTexture(), sourceTexture);
    EXPECT_EQ(clone->GetShape().getTexture(), clone->GetTexture());
    EXPECT_EQ(clone->GetShape().getTextureRect(), sf::IntRect(0, 0, 20, 20));
    EXPECT_EQ(clone->GetColor(), sf::Color(255, 0, 0, 255));
    EXPECT_EQ(clone->GetRadius(), 10.f);
    const Entity* self = clone.get();
    EXPECT_EQ(clone->MovingComponent::GetOwner(), self);
    EXPECT_EQ(clone->BreakableComponent::GetOwner(), self);

    clone->SetColor(kWhite);
    clone->SetPosition({150.f, 100.f});
    const sf::Image picture = DrawAlone(*clone);
    // The centre is the top-left corner plus the radius.
    EXPECT_EQ(picture.getPixel(160, 110), kTextureColour);
    EXPECT_EQ(picture.getPixel(152, 110), kTextureColour);
    EXPECT_EQ(picture.getPixel(151, 101), sf::Color::Black);
    EXPECT_EQ(picture.getPixel(175, 110), sf::Color::Black);
}

TEST_F(EntityTest, MoveStepsBySpeedTimesTheUnnormalisedDirectionInSinglePrecision)
{
    // A diagonal step covers speed times sqrt(2), not speed.
    auto pad = MakePad({100.f, 100.f});
    pad->SetDirection({1.f, 1.f});
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(115.f, 115.f));

    auto ball = MakeBall();
    const sf::Vector2f start(0.1f, 0.1f);
    const sf::Vector2f direction(0.1f, -0.62f);
    ball->SetPosition(start);
    ball->SetDirection(direction);
    // Each product and sum rounded to float, as the game does.
    volatile float stepX = direction.x * 13.f;
    volatile float stepY = direction.y * 13.f;
    volatile float x = start.x + stepX;
    volatile float y = start.y + stepY;
    // These values round differently in double precision, so the check
    // below tells the two apart.
    ASSERT_NE(static_cast<float>(double(start.x) + double(direction.x) * 13.0), x);
    ASSERT_NE(static_cast<float>(double(start.y) + double(direction.y) * 13.0), y);

    ball->Move();
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(x, y));
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(x, y));
    // The direction is left as it was.
    EXPECT_EQ(ball->GetDirection(), direction);
}
