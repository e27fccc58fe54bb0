#include "scene/KyWarpMarker.h"

KyWarpMarker::Sprite::Sprite() : active(true), shown(false), position(0.0f, 0.0f, 0.0f), depth(0.0f) {}

KyWarpMarker::KyWarpMarker() : m_sprite(nullptr) {}

KyWarpMarker::~KyWarpMarker() {}
