#include "model/Quantities.h"

namespace stepdown {

const Quantity* FindQuantity(QuantityGroup group, std::string_view key) {
    for (const Quantity& quantity : QuantitiesOf(group))
        if (quantity.key == key) return &quantity;
    return nullptr;
}

}  // namespace stepdown
