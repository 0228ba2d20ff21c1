// Placeholder until the window exists.
namespace tavro::ui {}
