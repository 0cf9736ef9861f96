#include "settings/xml_meta.h"

#include "core/log.h"
#include "core/product.h"
#include "core/run_state_port.h"
#include "core/time_text.h"
#include "settings/xml_attributes.h"

#include <string_view>

namespace hlw {

namespace {

constexpr std::string_view copyrightText = "Copyright (c) the makers of Hollowmere. All rights reserved.";

bool lf_appendInfo(pugi::xml_node meta, std::string_view name, std::string_view value) {
    pugi::xml_node info = meta.append_child("info");
    return info && gf_xmlAppendAttribute(info, "name", name) && gf_xmlAppendAttribute(info, "value", value);
}

bool lf_appendSimInfo(pugi::xml_node meta, int32_t sim) {
    pugi::xml_node info = meta.append_child("info");
    if (!info || !gf_xmlAppendAttribute(info, "name", "sim")) {
        return false;
    }
    pugi::xml_attribute value = info.append_attribute("value");
    return value && value.set_value(sim);
}

// Which entries the reader has taken: only the first of each name counts.
struct SeenEntries {
    bool author = false;
    bool version = false;
    bool date = false;
    bool p3d = false;
    bool msfs = false;
    bool sim = false;
    bool copyright = false;
};

// Keeps the entry's value in target unless an entry of that name came earlier.
void lf_takeFirst(bool& seen, std::string& target, pugi::xml_node info) {
    if (!seen) {
        seen = true;
        target = info.attribute("value").value();
    }
}

} // namespace

XmlMetaInfo gf_currentXmlMetaInfo() {
    XmlMetaInfo info;
    info.version = std::string(programVersionText);
    info.sim = gf_runState().simCode();
    return info;
}

bool gf_writeXmlMeta(pugi::xml_document& document, const XmlMetaInfo& info) {
    pugi::xml_node root = document.child("root");
    if (!root) {
        root = document.append_child("root");
    }
    if (!root) {
        return false;
    }
    pugi::xml_node meta = root.append_child("meta");
    if (!meta) {
        return false;
    }
    // A failed text entry does not stop the others; the result still reports it.
    bool complete = lf_appendInfo(meta, "author", productName);
    complete = lf_appendInfo(meta, "version", info.version) && complete;
    complete = lf_appendInfo(meta, "date", gf_dateText()) && complete;
    complete = lf_appendInfo(meta, "copyright", copyrightText) && complete;
    return lf_appendSimInfo(meta, info.sim) && complete;
}

std::optional<XmlMetaInfo> gf_readXmlMeta(pugi::xml_node node, bool acceptWithoutSimulator) {
    pugi::xml_node root = node.child("root");
    pugi::xml_node meta = (root ? root : node).child("meta");
    if (!meta) {
        return std::nullopt;
    }
    XmlMetaInfo result;
    SeenEntries seen;
    for (pugi::xml_node info : meta.children("info")) {
        const std::string_view name = info.attribute("name").value();
        if (name == "copyright") {
            if (seen.copyright) {
                continue;
            }
            if (std::string_view(info.attribute("value").value()).empty()) {
                gf_logAlert("no copyright info in the file?");
                return std::nullopt;
            }
            seen.copyright = true;
        } else if (name == "author") {
            lf_takeFirst(seen.author, result.author, info);
        } else if (name == "version") {
            lf_takeFirst(seen.version, result.version, info);
        } else if (name == "date") {
            lf_takeFirst(seen.date, result.date, info);
        } else if (name == "P3D") {
            lf_takeFirst(seen.p3d, result.p3d, info);
        } else if (name == "MSFS") {
            lf_takeFirst(seen.msfs, result.msfs, info);
        } else if (name == "sim" && !seen.sim) {
            seen.sim = true;
            result.sim = info.attribute("value").as_int(0);
        }
    }
    if (!seen.copyright) {
        return std::nullopt;
    }
    if (acceptWithoutSimulator || seen.sim || seen.p3d || seen.msfs) {
        return result;
    }
    return std::nullopt;
}

} // namespace hlw
