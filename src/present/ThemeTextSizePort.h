#pragma once

// What a recipe page offers its theme controller: the HTML engine's own text size steps.
// The GUI's recipe web view implements it; tests count the calls.
class ThemeTextSizePort {
public:
    virtual ~ThemeTextSizePort() = default;
    virtual void makeTextLarger() = 0;
    virtual void makeTextSmaller() = 0;
};
