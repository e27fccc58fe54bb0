#ifndef KY_RESOURCE_H
#define KY_RESOURCE_H

#include "core/KyObject.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

// A shared, reference-counted object loaded from a file (images, palettes,
// textures, fonts, sounds). Live resources are listed in the resource
// manager so that a second request for the same file shares the object
// already loaded. Callers hold them through KyIntrusivePtr<T>; the last
// release unlists the resource and deletes it.
class KyResource : public KyObject {
public:
    // Empty path, use count 0, then a generated unique name as the path.
    KyResource();
    // Unlists the resource from the manager when it is listed.
    ~KyResource() override;

    // Loads the resource from the requested path; each type sets the
    // resource path to what it loaded from.
    virtual void load(const KyString& path) = 0;

    // path = the name counter as 16 upper-case hexadecimal digits; the
    // counter then moves on, so no two resources share a generated name.
    void generateName();

    void retain();
    // Use count - 1; at 0 the resource leaves the manager (when listed) and
    // is deleted.
    // Releasing a resource whose count is already 0 does nothing.
    void release();
    u32 useCount() const { return m_useCount; }

    KyPath path() const { return m_path; }
    void setPath(const KyString& path);
    // Turns the path to lower case in place.
    void lowerCasePath();

    // The count of resources constructed so far (the next generated name).
    static u64 nameCounter();

private:
    KyResource(const KyResource&) = delete;
    KyResource& operator=(const KyResource&) = delete;

    friend class KyResourceManager;

    KyPath m_path;
    u32 m_useCount;
    // Set while the manager lists the resource (its add and remove, on the
    // main thread). Pictures decoded on worker threads make and drop
    // resources the manager never lists: they must not reach the manager,
    // which is not made for other threads.
    bool m_listed;
};

// Hooks of KyIntrusivePtr for every resource type: the count is the
// resource's own, and the last release unlists and deletes the resource.
void kyIntrusiveRetain(KyResource* resource);
void kyIntrusiveRelease(KyResource* resource);

#endif
