#include "sheet_classes.h"

namespace archive_test {

ARCHIVE_IMPLEMENT_SERIAL(CBaseChnl, pa::serializable_t, 2);
ARCHIVE_IMPLEMENT_SERIAL(CDSPChnl, CBaseChnl, 2);
ARCHIVE_IMPLEMENT_SERIAL(CBaseModule, pa::serializable_t, 2);
ARCHIVE_IMPLEMENT_SERIAL(CBaseAriModule, CBaseModule, 2);
ARCHIVE_IMPLEMENT_SERIAL(CAriDelay, CBaseAriModule, 2);
ARCHIVE_IMPLEMENT_SERIAL(CBaseLink, pa::serializable_t, 2);
ARCHIVE_IMPLEMENT_SERIAL(CTestEmpty, pa::serializable_t, 2);
ARCHIVE_IMPLEMENT_SERIAL(CTestNode, pa::serializable_t, 2);
ARCHIVE_IMPLEMENT_SERIAL(CTestAbstract, pa::serializable_t, 2);

namespace {
bool known(std::uint32_t schema) {
    return schema == 1 || schema == 2;
}
} // namespace

void CBaseChnl::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << direction << number << module_id << peer_channel << peer_module << name << link_count
           << rect << colour << outline_colour;
        return;
    }
    seen_schema = ar.GetObjectSchema();
    if (known(seen_schema))
        ar >> direction >> number >> module_id >> peer_channel >> peer_module >> name >>
            link_count >> rect >> colour >> outline_colour;
    highlighted = 0;
}

void CDSPChnl::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading())
        seen_own_schema = ar.GetObjectSchema();
    ar.SerializeClass(CBaseChnl::class_record);
    CBaseChnl::Serialize(ar);
}

void CBaseModule::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << id << type_code << sub_type << type_name << name << input_count << output_count
           << body << selected << title;
        for (const std::int32_t c : colours)
            ar << c;
    } else {
        seen_module_schema = ar.GetObjectSchema();
        if (known(seen_module_schema)) {
            ar >> id >> type_code >> sub_type >> type_name >> name >> input_count >> output_count >>
                body >> selected >> title;
            for (std::int32_t& c : colours)
                ar >> c;
            selected = 0;
        }
    }
    channels.Serialize(ar);
}

void CBaseAriModule::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << order << memory_cost << time_cost << hidden << display_name << group << group_name;
    } else {
        seen_ari_schema = ar.GetObjectSchema();
        if (known(seen_ari_schema)) {
            ar >> order >> memory_cost >> time_cost >> hidden >> display_name;
            group = 0;
            if (seen_ari_schema == 2)
                ar >> group >> group_name;
        }
    }
    ar.SerializeClass(CBaseModule::class_record);
    CBaseModule::Serialize(ar);
}

void CAriDelay::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << bypass << max_delay << delay;
    } else {
        seen_delay_schema = ar.GetObjectSchema();
        if (known(seen_delay_schema))
            ar >> bypass >> max_delay >> delay;
    }
    ar.SerializeClass(CBaseAriModule::class_record);
    CBaseAriModule::Serialize(ar);
}

void CBaseLink::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << id << source_module << source_channel << destination_module << destination_channel
           << start << end << pen_width << colour;
        return;
    }
    seen_schema = ar.GetObjectSchema();
    if (known(seen_schema))
        ar >> id >> source_module >> source_channel >> destination_module >> destination_channel >>
            start >> end >> pen_width >> colour;
    selected = 0;
}

void CTestEmpty::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading())
        ar.GetObjectSchema();
}

void CTestNode::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading())
        ar.GetObjectSchema();
    children.Serialize(ar);
}

const pa::class_registry_t& test_classes() {
    static const pa::class_registry_t registry = [] {
        pa::class_registry_t r;
        for (const pa::runtime_class_t* c :
             {&CBaseChnl::class_record, &CDSPChnl::class_record, &CBaseModule::class_record,
              &CBaseAriModule::class_record, &CAriDelay::class_record, &CBaseLink::class_record,
              &CTestEmpty::class_record, &CTestNode::class_record, &CTestAbstract::class_record})
            r.add(*c);
        return r;
    }();
    return registry;
}

std::unique_ptr<CAriDelay> make_delay(std::int32_t id, std::int32_t x, std::int32_t y,
                                      const std::string& name) {
    auto d = std::make_unique<CAriDelay>();
    d->max_delay = d->delay = 5.0;
    d->memory_cost = 262;
    d->time_cost = 128;
    d->display_name = d->name = name;
    d->id = id;
    d->type_code = 3;
    d->sub_type = 1;
    d->type_name = "Delay 5 ms";
    d->input_count = d->output_count = 1;
    d->body = {x, y, x + 100, y + 12 + 38};
    d->colours = {0xC8F0F0, 0xC8C800, 0xFFFFFF, 0};
    const struct {
        std::int32_t direction;
        const char* name;
        pa::raw_rect rect;
    } pins[] = {{0, "In", {x + 4, y + 32, x + 12, y + 40}},
                {1, "Out", {x + 100 - 12, y + 32, x + 100 - 4, y + 40}}};
    for (const auto& pin : pins) {
        auto c = std::make_unique<CDSPChnl>();
        c->direction = pin.direction;
        c->number = pin.direction;
        c->module_id = id;
        c->name = pin.name;
        c->rect = pin.rect;
        c->colour = 0xC8F0F0;
        d->channels.push_back(std::move(c));
    }
    return d;
}

} // namespace archive_test
