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

using namespace testsupport;

namespace {

const sf::Color kWhite(255, 255, 255, 255);
// A colour no generated asset is likely to have, so a drawn pixel shows its texture.
const sf::Color kTextureColour(40, 120, 200, 255);

std::unique_ptr<Pad> MakePad(sf::Vector2f position = {885.f, 930.f})
{
    return std::make_unique<Pad>(position, 15.f, sf::Vector2f(200.f, 20.f), 5, kWhite, nullptr);
}

std::unique_ptr<Ball> MakeBall(float radius = 10.f)
{
    return std::make_unique<Ball>(sf::Vector2f(100.f, 200.f), sf::Vector2f(0.5f, -1.f), 13.f, 1,
                                  5, radius, nullptr, kWhite);
}

sf::Image DrawAlone(Entity& entity)
{
    sf::RenderTexture target;
    EXPECT_TRUE(target.create(400, 300));
    target.clear(sf::Color::Black);
    target.draw(*entity.GetDrawable());
    target.display();
    return target.getTexture().copyToImage();
}

// Runs in a folder whose "blanc.png" is plain kTextureColour, with one GL
// context for the suite so each texture does not set up its own.
class EntityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { context = std::make_unique<sf::Context>(); }
    static void TearDownTestSuite() { context.reset(); }
    void SetUp() override
    {
        sf::Image image;
        image.create(256, 64, kTextureColour);
        ASSERT_TRUE(image.saveToFile(folder.Path() + "/blanc.png"));
        cwd = std::make_unique<ScopedWorkingDirectory>(folder.Path());
    }

    static std::unique_ptr<sf::Context> context;
    TempDir folder;
    std::unique_ptr<ScopedWorkingDirectory> cwd;
};

std::unique_ptr<sf::Context> EntityTest::context;

} // namespace

TEST(BreakableTest, DamageBreaksAtZeroNeverGoesBelowAndNegativeHeals)
{
    struct Case {
        int hitPoints, damage, left;
        bool broken;
    };
    const Case cases[] = {{5, 5, 0, true},  {5, 99999, 0, true}, {5, 4, 1, false},
                          {0, 0, 0, true},  {1, 0, 1, false},    {2, -3, 5, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hitPoints << " hit by " << c.damage);
        BreakableComponent part(nullptr, c.hitPoints);
        EXPECT_FALSE(part.IsBroken());
        part.TakeDamage(c.damage);
        EXPECT_EQ(part.GetHitPoints(), c.left);
        EXPECT_EQ(part.IsBroken(), c.broken);
    }
    // Once broken, more damage keeps it at zero and healing does not mend it.
    BreakableComponent broken(nullptr, 2);
    broken.TakeDamage(2);
    broken.TakeDamage(3);
    EXPECT_EQ(broken.GetHitPoints(), 0);
    broken.TakeDamage(-3);
    EXPECT_EQ(broken.GetHitPoints(), 3);
    EXPECT_TRUE(broken.IsBroken());
}

TEST_F(EntityTest, OnlyTheSpriteAndCircleVersionsOfSetPositionMoveWhatIsDrawn)
{
    auto pad = MakePad();
    auto ball = MakeBall();
    pad->Entity::SetPosition({10.f, 20.f});
    ball->Entity::SetPosition({10.f, 20.f});
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(10.f, 20.f));
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(10.f, 20.f));
    EXPECT_EQ(pad->GetSprite().getPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(100.f, 200.f));
    static_cast<Entity&>(*pad).SetPosition({30.f, 40.f});
    static_cast<Entity&>(*ball).SetPosition({30.f, 40.f});
    EXPECT_EQ(pad->GetSprite().getPosition(), sf::Vector2f(30.f, 40.f));
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(30.f, 40.f));

    // The ball's texture square is twice the radius cut to whole pixels: 21.6 -> 21.
    EXPECT_EQ(ball->GetShape().getTextureRect(), sf::IntRect(0, 0, 20, 20));
    EXPECT_EQ(MakeBall(10.8f)->GetSize(), sf::Vector2i(21, 21));
}

TEST_F(EntityTest, MissingImageIsReportedOncePerBuiltEntityNotPerCopy)
{
    TempDir empty;
    ScopedWorkingDirectory inEmpty(empty.Path());
    const std::vector<std::string> oneLine{"Loading texture failed."};
    CapturedStdout out;
    auto pad = MakePad();
    EXPECT_EQ(out.Lines(), oneLine);
    out.Clear();
    auto ball = MakeBall();
    EXPECT_EQ(out.Lines(), oneLine);

    // Built all the same, and it still plays.
    EXPECT_EQ(pad->GetSize(), sf::Vector2i(200, 20));
    ASSERT_NE(pad->GetDrawable(), nullptr);
    pad->SetDirection({1.f, 0.f});
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(900.f, 930.f));

    out.Clear();
    std::unique_ptr<Entity> padClone(pad->Clone());
    std::unique_ptr<Entity> ballClone(ball->Clone());
    EXPECT_EQ(out.Text(), "");
    DrawAlone(*padClone);
    DrawAlone(*ballClone);
}

TEST_F(EntityTest, ClonesKeepDrawingAfterTheirSourceIsGoneAndOwnTheirParts)
{
    auto padSource = MakePad({50.f, 100.f});
    padSource->TakeDamage(2);
    padSource->SetDirection({-1.f, 0.5f});
    auto ballSource = MakeBall();
    const sf::Texture* padTexture = padSource->GetTexture();
    const sf::Texture* ballTexture = ballSource->GetTexture();
    std::unique_ptr<Pad> pad(padSource->Clone());
    std::unique_ptr<Ball> ball(ballSource->Clone());
    padSource.reset();
    ballSource.reset();

    EXPECT_NE(pad->GetTexture(), padTexture);
    EXPECT_NE(ball->GetTexture(), ballTexture);
    EXPECT_EQ(pad->GetSprite().getTexture(), pad->GetTexture());
    EXPECT_EQ(ball->GetShape().getTexture(), ball->GetTexture());
    EXPECT_EQ(pad->GetHitPoints(), 3);
    for (Entity* self : {static_cast<Entity*>(pad.get()), static_cast<Entity*>(ball.get())}) {
        auto* moving = dynamic_cast<MovingComponent*>(self);
        auto* breakable = dynamic_cast<BreakableComponent*>(self);
        ASSERT_TRUE(moving && breakable);
        EXPECT_EQ(moving->GetOwner(), self);
        EXPECT_EQ(breakable->GetOwner(), self);
    }

    // Speed times the unnormalised direction, drawn where it moved.
    pad->Update();
    EXPECT_EQ(pad->GetSprite().getPosition(), sf::Vector2f(35.f, 107.5f));
    sf::Image picture = DrawAlone(*pad);
    EXPECT_EQ(picture.getPixel(36, 108), kTextureColour);
    EXPECT_EQ(picture.getPixel(233, 126), kTextureColour);
    EXPECT_EQ(picture.getPixel(135, 140), sf::Color::Black);
    EXPECT_EQ(picture.getPixel(240, 117), sf::Color::Black);

    // The centre is the top-left corner plus the radius.
    ball->SetPosition({150.f, 100.f});
    picture = DrawAlone(*ball);
    EXPECT_EQ(picture.getPixel(160, 110), kTextureColour);
    EXPECT_EQ(picture.getPixel(151, 101), sf::Color::Black);
    EXPECT_EQ(picture.getPixel(175, 110), sf::Color::Black);
}
