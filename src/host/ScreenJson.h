#pragma once
// The screen model as the browser reads it: JSON with the model's own field
// names; optional values that are none are left out; images become
// {"src": "/images/<id>.png", "width", "height"} in points.
#include <nlohmann/json.hpp>

#include "uikit/ScreenModel.h"

class ImageRegistry;

nlohmann::json screenToJson(const Screen& screen, ImageRegistry& images);
