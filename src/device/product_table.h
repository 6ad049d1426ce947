#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// One model of the receiver family: the code the receiver's product is known by, the product name
// as the receiver reports it in its application, the name its monitor reports, and a short
// description for people reading the table.
struct ProductModel {
    std::uint16_t code;
    const char* name;
    const char* monitorName;
    const char* description;
};

// The product table: 93 rows, first row code 0 "UNKOWN" (the answer for a code that is not listed).
// The option catalogue shows receiver IDs from the same rows.
std::span<const ProductModel> ProductTable();

// Code of the first row whose name equals name exactly (case-sensitive), or 0 when none does.
int GetProductCode(std::string_view name);

// The row with that code, or the first row ("UNKOWN") when no row has it.
const ProductModel& FindProductModel(std::uint32_t code);

// True for string 213 or a model name of the application-mode list (exact, case-sensitive).
bool IsApplicationProduct(std::string_view name);

// True for string 215 or a name of the monitor-mode list (exact, case-sensitive).
bool IsMonitorProduct(std::string_view name);

// The fixed model lists behind the two product checks (configuration data, product_models.cpp).
std::span<const char* const> ApplicationModelNames();
std::span<const char* const> MonitorModelNames();
