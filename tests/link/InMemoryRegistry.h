#pragma once

#include "Registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace veltra::testing {

// A registry tree in memory that answers like the Win32 calls: names compare
// without case, values and subkeys enumerate in insertion order, short buffers
// get ERROR_MORE_DATA with the size needed. It counts open keys so tests can
// check that every key opened was closed.
class InMemoryRegistry : public registry::Registry {
public:
    struct Node {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::unique_ptr<Node>> children;
        bool denied = false;  // opening it fails with access denied

        Node& Child(const std::string& childName)
        {
            for (auto& child : children) {
                if (Same(child->name, childName)) {
                    return *child;
                }
            }
            children.push_back(std::make_unique<Node>());
            children.back()->name = childName;
            return *children.back();
        }
        // A REG_SZ value: its data carries the terminating zero.
        Node& Text(const std::string& valueName, const std::string& text)
        {
            values.emplace_back(valueName, text + std::string(1, '\0'));
            return *this;
        }
    };

    // A path of keys below HKEY_LOCAL_MACHINE, created as needed ("A\\B\\C").
    Node& At(const std::string& path)
    {
        Node* node = &root_;
        size_t start = 0;
        while (start <= path.size()) {
            const size_t end = std::min(path.find('\\', start), path.size());
            node = &node->Child(path.substr(start, end - start));
            start = end + 1;
        }
        return *node;
    }

    registry::SystemVersion version;
    int enumValueCalls = 0;

    int OpenKeys() const { return static_cast<int>(open_.size()); }

    long OpenKey(registry::Key parent, const std::string& subKey, uint32_t, registry::Key& key) override
    {
        Node* node = Find(parent);
        if (node == nullptr) {
            return 6;  // ERROR_INVALID_HANDLE
        }
        size_t start = 0;
        while (start <= subKey.size()) {
            const size_t end = std::min(subKey.find('\\', start), subKey.size());
            const std::string part = subKey.substr(start, end - start);
            auto it = std::find_if(node->children.begin(), node->children.end(),
                                   [&](const auto& child) { return Same(child->name, part); });
            if (it == node->children.end()) {
                return registry::kFileNotFound;
            }
            node = it->get();
            start = end + 1;
        }
        if (node->denied) {
            return registry::kAccessDenied;
        }
        key = nextKey_++;
        open_[key] = node;
        return registry::kSuccess;
    }

    long EnumValue(registry::Key key, uint32_t index, char* name, uint32_t& nameSize, uint8_t* data,
                   uint32_t& dataSize) override
    {
        ++enumValueCalls;
        Node* node = Find(key);
        if (node == nullptr) {
            return 6;
        }
        if (index >= node->values.size()) {
            return registry::kNoMoreItems;
        }
        const auto& [valueName, bytes] = node->values[index];
        if (nameSize < valueName.size() + 1 || dataSize < bytes.size()) {
            dataSize = static_cast<uint32_t>(bytes.size());
            return registry::kMoreData;
        }
        std::memcpy(name, valueName.c_str(), valueName.size() + 1);
        nameSize = static_cast<uint32_t>(valueName.size());
        std::memcpy(data, bytes.data(), bytes.size());
        dataSize = static_cast<uint32_t>(bytes.size());
        return registry::kSuccess;
    }

    long EnumKey(registry::Key key, uint32_t index, char* name, uint32_t& nameSize) override
    {
        Node* node = Find(key);
        if (node == nullptr) {
            return 6;
        }
        if (index >= node->children.size()) {
            return registry::kNoMoreItems;
        }
        const std::string& childName = node->children[index]->name;
        if (nameSize < childName.size() + 1) {
            return registry::kMoreData;
        }
        std::memcpy(name, childName.c_str(), childName.size() + 1);
        nameSize = static_cast<uint32_t>(childName.size());
        return registry::kSuccess;
    }

    long QueryValue(registry::Key key, const std::string& valueName, uint8_t* data, uint32_t& dataSize) override
    {
        Node* node = Find(key);
        if (node == nullptr) {
            return 6;
        }
        auto it = std::find_if(node->values.begin(), node->values.end(),
                               [&](const auto& value) { return Same(value.first, valueName); });
        if (it == node->values.end()) {
            return registry::kFileNotFound;
        }
        const std::string& bytes = it->second;
        if (dataSize < bytes.size()) {
            dataSize = static_cast<uint32_t>(bytes.size());
            return registry::kMoreData;
        }
        std::memcpy(data, bytes.data(), bytes.size());
        dataSize = static_cast<uint32_t>(bytes.size());
        return registry::kSuccess;
    }

    void CloseKey(registry::Key key) override { open_.erase(key); }

    registry::SystemVersion Version() const override { return version; }

private:
    static bool Same(const std::string& a, const std::string& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
               });
    }
    Node* Find(registry::Key key)
    {
        if (key == registry::kLocalMachine) {
            return &root_;
        }
        auto it = open_.find(key);
        return it == open_.end() ? nullptr : it->second;
    }

    Node root_;
    std::map<registry::Key, Node*> open_;
    registry::Key nextKey_ = 0x1000;
};

}  // namespace veltra::testing
