#include "core/Multisampling.hpp"

#include <SFML/OpenGL.hpp>
#include <SFML/Window/Context.hpp>
#include <algorithm>
#include <cctype>

std::string Multisampling::RendererName()
{
    const sf::Context context;
    const GLubyte* name = glGetString(GL_RENDERER);
    return name ? reinterpret_cast<const char*>(name) : "";
}

bool Multisampling::IsSoftwareRenderer(const std::string& renderer)
{
    std::string name;
    for (const char c : renderer)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Mesa's rasterizers and Google's, under their own names or behind zink.
    for (const char* software : {"llvmpipe", "softpipe", "software rasterizer", "swiftshader"}) {
        if (name.find(software) != std::string::npos)
            return true;
    }
    return false;
}

bool Multisampling::TooSlow(std::vector<double> frameSeconds, double stepSeconds)
{
    if (frameSeconds.empty())
        return false;
    const auto middle = frameSeconds.begin() + static_cast<std::ptrdiff_t>(frameSeconds.size() / 2);
    std::nth_element(frameSeconds.begin(), middle, frameSeconds.end());
    return *middle > stepSeconds;
}
