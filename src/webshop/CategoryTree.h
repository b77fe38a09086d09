#pragma once

#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>

// The goods groups as the shop's category tree. A group hangs under its ISPARENT when that
// is another group that is sent to the shop; otherwise (none, 0, itself, unknown, not sent)
// it is a top category. A loop of ISPARENT is cut at its smallest key, which becomes the
// top, so that the shop's tree has no loop either.
class CategoryTree {
public:
    void add(int key, int parent, bool sendable) { groups_.insert(key, {parent, sendable}); }
    bool isSendable(int key) const
    {
        const auto it = groups_.constFind(key);
        return it != groups_.constEnd() && it->sendable;
    }

    // The group's path from the top category down to itself.
    QList<int> path(int key) const
    {
        QList<int> chain{key};  // itself, parent, grandparent ...
        int at = parentOf(key);
        while (at != 0 && isSendable(at)) {
            const qsizetype seen = chain.indexOf(at);
            if (seen >= 0) {
                // A loop: its smallest member is the top.
                const QList<int> loop = chain.mid(seen);
                const int top = *std::min_element(loop.cbegin(), loop.cend());
                chain = chain.mid(0, chain.indexOf(top) + 1);
                break;
            }
            chain << at;
            at = parentOf(at);
        }
        std::reverse(chain.begin(), chain.end());
        return chain;
    }
    // The parent category in the shop; 0 for a top category.
    int shopParent(int key) const
    {
        const QList<int> p = path(key);
        return p.size() >= 2 ? p.at(p.size() - 2) : 0;
    }
    // The given groups and the sendable groups below any of them.
    QSet<int> withDescendants(const QSet<int>& keys) const
    {
        QSet<int> out = keys;
        for (auto it = groups_.cbegin(); it != groups_.cend(); ++it) {
            if (!it->sendable || out.contains(it.key()))
                continue;
            for (int ancestor : path(it.key()))
                if (keys.contains(ancestor))
                    out.insert(it.key());
        }
        return out;
    }

private:
    struct Group {
        int parent = 0;
        bool sendable = false;
    };
    int parentOf(int key) const
    {
        const auto it = groups_.constFind(key);
        return it == groups_.constEnd() || it->parent == key ? 0 : it->parent;
    }

    QHash<int, Group> groups_;
};
